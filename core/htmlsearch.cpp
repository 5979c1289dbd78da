// The offline search: search.html with a form, search/search.js (plain
// script, the folding of letter case, width and kana as a table) and the
// index of titles, names and IDs in parts search/data-N.js, each loaded by
// a <script> element, since a page opened from a file cannot fetch files.
// Nothing else on the site needs the script.
#include <algorithm>

#include "core/cp932.h"
#include "core/htmlmarkup.h"

namespace orv::html {

namespace {

// Source character (or half-width letter with its sound mark) -> folded
// form, for every character of CP932 that folding changes; U+E000 and
// U+E001 stand for a sound mark joined to the letter before it.
const char kFoldTable[] =
#include "core/htmlfold.inc"
    ;

// Messages in one part of the index: a part stays well below 1 MB.
constexpr std::size_t kEntriesPerPart = 4000;

const char kScriptHead[] =
    R"js(// Search of the titles, names and IDs of this site, without a server.
(function () {
  "use strict";
)js";

const char kScriptBody[] = R"js(
  var entries = [];
  // The folding of letter case, width and kana: a half-width letter with
  // its sound mark first, then single characters.
  function fold(s) {
    var chars = Array.from(String(s)), out = "";
    for (var i = 0; i < chars.length; i++) {
      var c = chars[i];
      if (i + 1 < chars.length && FOLD.hasOwnProperty(c + chars[i + 1])) {
        out += FOLD[c + chars[i + 1]];
        i++;
      } else {
        out += FOLD.hasOwnProperty(c) ? FOLD[c] : c;
      }
    }
    return out;
  }
  function add(list) {
    for (var i = 0; i < list.length; i++) {
      var e = list[i];
      e.push(fold(e[2]) + "\n" + fold(e[3]) + "\n" + fold(e[4]));
      entries.push(e);
    }
  }
  // Entries whose title, name or ID holds every word of the query.
  function find(query, limit) {
    var words = fold(query).split(/\s+/).filter(function (w) { return w.length > 0; });
    var hits = [], count = 0;
    if (words.length === 0) return { count: 0, hits: hits };
    for (var i = 0; i < entries.length; i++) {
      var hay = entries[i][6], all = true;
      for (var k = 0; k < words.length && all; k++) all = hay.indexOf(words[k]) >= 0;
      if (!all) continue;
      count++;
      if (hits.length < limit) hits.push(entries[i]);
    }
    return { count: count, hits: hits };
  }
  var api = { add: add, fold: fold, find: find, parts: PARTS, entries: entries };
  if (typeof module !== "undefined" && module.exports) module.exports = api;
  if (typeof window === "undefined" || typeof document === "undefined") return;
  window.orvSearch = api;

  var LIMIT = 500;
  function show(input, status, list) {
    var r = find(input.value, LIMIT);
    while (list.firstChild) list.removeChild(list.firstChild);
    r.hits.forEach(function (e) {
      var li = document.createElement("li"), a = document.createElement("a");
      var date = document.createElement("span"), meta = document.createElement("span");
      date.className = "date";
      date.textContent = e[5];
      a.href = e[0];
      a.textContent = e[2].trim() || "（タイトルなし）";
      meta.className = "author";
      meta.textContent = "（" + e[1] + "） " + e[3] + " " + e[4];
      li.appendChild(date);
      li.appendChild(document.createTextNode(" "));
      li.appendChild(a);
      li.appendChild(document.createTextNode(" "));
      li.appendChild(meta);
      list.appendChild(li);
    });
    status.textContent = input.value.trim() === "" ? "" :
      r.count + " 件" + (r.count > LIMIT ? "（最初の " + LIMIT + " 件を表示）" : "");
  }
  function loadPart(k, done) {
    if (k > PARTS) { done(); return; }
    var s = document.createElement("script");
    s.src = "search/data-" + k + ".js";
    s.onload = function () { loadPart(k + 1, done); };
    s.onerror = function () { done(); };
    document.head.appendChild(s);
  }
  document.addEventListener("DOMContentLoaded", function () {
    var form = document.getElementById("search-form"), input = document.getElementById("q");
    var status = document.getElementById("status"), list = document.getElementById("results");
    if (!form || !input) return;
    var m = /[?&]q=([^&]*)/.exec(window.location.search);
    if (m) {
      // A hand-made address may hold a "%" that starts no escape.
      var q = m[1].replace(/\+/g, " ");
      try { q = decodeURIComponent(q); } catch (e) { /* kept as written */ }
      input.value = q;
    }
    status.textContent = "索引を読み込んでいます…";
    loadPart(1, function () {
      status.textContent = "";
      form.addEventListener("submit", function (ev) { ev.preventDefault(); show(input, status, list); });
      input.addEventListener("input", function () { show(input, status, list); });
      if (input.value) show(input, status, list);
    });
  });
})();
)js";

void WriteScript(SiteWriter& w, std::size_t parts) {
    std::string js = kScriptHead;
    js += "  var FOLD = ";
    js += kFoldTable;
    js += ";\n  var PARTS = ";
    AppendNumber(js, static_cast<long long>(parts));
    js += ";\n";
    js += kScriptBody;
    w.WriteFile("search/search.js", js);
}

// One entry: [href, number, title, name, ID, date-time].
void AppendIndexEntry(std::string& o, const SitePlan& plan, std::uint32_t pos, std::string& utf8) {
    const CComment& rec = *plan.messages[pos].rec;
    o += "[\"";
    AppendMessageHref(o, plan, pos, "");
    o += "\",";
    AppendNumber(o, rec.GetNumber());
    for (std::string_view field :
         {rec.GetTitle(), rec.GetAuthor(), rec.GetId(), rec.GetDateTime()}) {
        o += ',';
        Cp932ToUtf8Into(field, utf8);
        AppendJsString(o, utf8);
    }
    o += "],\n";
}

void WriteIndexPart(SiteWriter& w, std::size_t part) {
    std::string name = "search/data-";
    AppendNumber(name, static_cast<long long>(part + 1));
    name += ".js";
    PageStream file;
    if (!file.Open(w.sink, name)) {
        w.Fail(name);
        return;
    }
    std::string& o = file.Buf();
    std::string utf8;
    o += "orvSearch.add([\n";
    const std::size_t begin = part * kEntriesPerPart;
    const std::size_t end = std::min(w.plan.messages.size(), begin + kEntriesPerPart);
    for (std::size_t pos = begin; pos < end; ++pos)
        AppendIndexEntry(o, w.plan, static_cast<std::uint32_t>(pos), utf8);
    o += "]);\n";
    if (!file.Finish()) w.Fail(name);
    w.Advance(end - begin);
}

void WriteSearchPage(SiteWriter& w) {
    PageStream page;
    if (!w.Begin(page, "search.html", "検索 - " + w.DocHtml(), "", "search")) return;
    page.Buf() +=
        "<main>\n<h1>検索</h1>\n"
        "<form id=\"search-form\" class=\"search\" action=\"search.html\" method=\"get\" "
        "role=\"search\">\n"
        "<label for=\"q\">タイトル・発言者名・ID</label>\n"
        "<input type=\"search\" id=\"q\" name=\"q\" autocomplete=\"off\">\n"
        "<button type=\"submit\">検索</button>\n</form>\n"
        "<p class=\"hint\">全角と半角、ひらがなとカタカナ、大文字と小文字は区別しません。"
        "空白で区切った語をすべて含む発言を探します。</p>\n"
        "<noscript><p>この検索には JavaScript が必要です。"
        "<a href=\"dates/index.html\">日付順</a>と<a href=\"authors/index.html\">発言者</a>"
        "の一覧からも発言をたどれます。</p></noscript>\n"
        "<p id=\"status\" aria-live=\"polite\"></p>\n<ul id=\"results\" class=\"entries\"></ul>\n"
        "</main>\n<script src=\"search/search.js\"></script>\n";
    w.End(page);
}

}  // namespace

std::string_view SearchFoldTable() { return kFoldTable; }

void WriteSearchFiles(SiteWriter& w) {
    if (!w.sink.MakeFolder("search")) {
        w.Fail("search");
        return;
    }
    const std::size_t parts = (w.plan.messages.size() + kEntriesPerPart - 1) / kEntriesPerPart;
    WriteScript(w, parts);
    for (std::size_t p = 0; p < parts && !w.Stopped(); ++p) WriteIndexPart(w, p);
    if (!w.Stopped()) WriteSearchPage(w);
}

}  // namespace orv::html
