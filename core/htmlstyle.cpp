// The style sheet of an exported site: Japanese fonts, the viewer's header
// band, tables that turn into lines on a phone.
#include "core/htmlmarkup.h"

namespace orv::html {

namespace {

const char kStyleSheet[] = R"css(/* Pages of a forum log */
:root {
  --band: #ece9e2;
  --band-light: #ffffff;
  --band-dark: #a09c94;
  --ink: #1a1a1a;
  --muted: #5c5850;
  --link: #1a4f9c;
  --rule: #d8d4cc;
  --bar: #4a6fa5;
  --indent: 1.25em;
  --indent-max: 16;
}
html { -webkit-text-size-adjust: 100%; text-size-adjust: 100%; }
body {
  margin: 0 auto;
  max-width: 60em;
  padding: 0.5em 1em 2em;
  color: var(--ink);
  background: #fbfaf7;
  font-family: "Hiragino Kaku Gothic ProN", "Hiragino Sans", "Yu Gothic UI", "Yu Gothic",
    YuGothic, Meiryo, "MS UI Gothic", "MS PGothic", "Noto Sans CJK JP", "Noto Sans JP",
    "Source Han Sans JP", "IPAexGothic", "IPAPGothic", "VL PGothic", "Takao PGothic",
    sans-serif;
  line-height: 1.6;
}
a { color: var(--link); }
h1 { font-size: 1.4em; margin: 0.5em 0; overflow-wrap: anywhere; }
h2 { font-size: 1.1em; margin: 1em 0 0.4em; }
header.site { display: flex; flex-wrap: wrap; align-items: baseline; gap: 0 1.5em;
  border-bottom: 1px solid var(--rule); padding-bottom: 0.3em; }
header.site .docname { margin: 0; font-weight: bold; overflow-wrap: anywhere; }
nav ul { list-style: none; margin: 0; padding: 0; display: flex; flex-wrap: wrap; gap: 0.2em 1em; }
nav.pages ul { justify-content: space-between; margin: 0.5em 0; }
nav.pages .off { color: var(--muted); }
.stats { display: grid; grid-template-columns: max-content 1fr; gap: 0.1em 1em; margin: 0 0 1em; }
.stats dt { color: var(--muted); }
.stats dd { margin: 0; }
figure.chart { margin: 1em 0; overflow-x: auto; }
figure.chart figcaption { font-weight: bold; }
figure.chart svg { width: 100%; height: auto; min-width: 30em; max-width: 50em; display: block; }
.chart .axis line { stroke: var(--rule); stroke-width: 1; }
.chart text { font-size: 11px; fill: var(--muted); }
.chart .year { font-weight: bold; fill: var(--ink); }
.chart rect { fill: var(--bar); }
.chart a:hover rect, .chart a:focus rect { fill: var(--link); }
table { border-collapse: collapse; width: 100%; }
caption { text-align: left; color: var(--muted); }
th, td { text-align: left; padding: 0.2em 0.5em; border-bottom: 1px solid var(--rule);
  vertical-align: top; overflow-wrap: anywhere; }
th { font-weight: normal; color: var(--muted); }
td.num { text-align: right; }
td.date { white-space: nowrap; }
details.months table { width: auto; }
ul.entries { list-style: none; padding: 0; margin: 0; }
ul.entries li { margin: 0.2em 0; overflow-wrap: anywhere; }
ul.entries .date, ul.entries .number, ul.entries .author, .count { color: var(--muted); font-size: 0.9em; }
ul.entries li:target { outline: 2px solid var(--link); }
tr:target { outline: 2px solid var(--link); }
.about { color: var(--muted); }
article.message {
  margin: 1em 0 1em calc(min(var(--depth, 0), var(--indent-max)) * var(--indent));
  background: #ffffff;
  border: 1px solid var(--rule);
}
article.message:target { outline: 2px solid var(--link); }
.band {
  display: grid;
  grid-template-columns: 1fr 1fr 1fr;
  background: var(--band);
  border-style: solid;
  border-width: 1px;
  border-color: var(--band-light) var(--band-dark) var(--band-dark) var(--band-light);
  font-size: 0.8em;
}
.band > * { padding: 2px 5px; margin: 0; overflow-wrap: anywhere; }
.band .title { grid-column: 1 / span 2; font-weight: bold; font-size: 1em; }
.band .label { font-weight: normal; color: var(--muted); }
.band .level { color: var(--muted); }
.text {
  margin: 5px;
  white-space: pre-wrap;
  overflow-wrap: anywhere;
  tab-size: 8;
  -moz-tab-size: 8;
  font-family: "MS Gothic", "Osaka-Mono", "Noto Sans Mono CJK JP", "Source Han Code JP",
    "IPAGothic", "VL Gothic", "Takao Gothic", monospace;
  font-size: 1em;
  line-height: 1.5;
}
ul.links { list-style: none; margin: 0 5px 5px; padding: 0; font-size: 0.9em; color: var(--muted);
  display: flex; flex-wrap: wrap; gap: 0 1em; }
form.search { display: flex; flex-wrap: wrap; gap: 0.5em; align-items: center; }
form.search input { font-size: 1.1em; flex: 1 1 12em; padding: 0.2em; }
.hint { color: var(--muted); font-size: 0.9em; }
@media (max-width: 40em) {
  body { padding: 0.25em 0.5em 1em; }
  :root { --indent: 0.6em; --indent-max: 6; }
  /* The band in two lines: the title, then number, name, ID and date. */
  .band { display: flex; flex-wrap: wrap; gap: 0 0.6em; padding: 1px 0; }
  .band > * { padding: 0 4px; }
  .band .title { flex-basis: 100%; }
  .band .label { position: absolute; width: 1px; height: 1px; overflow: hidden;
    clip: rect(0 0 0 0); white-space: nowrap; }
  .band .number::before { content: "No."; color: var(--muted); }
  table.threads thead, table.authors thead { display: none; }
  table.threads tr, table.authors tr { display: block; padding: 0.3em 0;
    border-bottom: 1px solid var(--rule); }
  table.threads td, table.authors td { display: inline; border: 0; padding: 0 0.4em 0 0; }
  table.threads td.title, table.authors td.id { display: block; }
  table.threads td.num::before { content: "返信 "; }
  table.authors td.num::before { content: "発言 "; }
  td.date + td.date::before { content: "〜 "; }
}
)css";

}  // namespace

void WriteStyleSheet(SiteWriter& w) { w.WriteFile("style.css", kStyleSheet); }

}  // namespace orv::html
