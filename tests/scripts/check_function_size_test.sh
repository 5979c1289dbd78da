#!/usr/bin/env bash
# Runs the function-size check on made-up sources, one per case, and
# compares the longest function it finds with the length each case has.
set -euo pipefail
CHECK=$1
T=$(mktemp -d)
trap 'rm -rf "$T"' EXIT

# A function of n lines in all: head, n - 2 statements, closing brace.
body() {
  local name=$1 n=$2
  echo "int $name(int a) {"
  for ((k = 0; k < n - 2; ++k)); do echo "    a += $k;"; done
  echo "}"
}

fail=0
# expect: the line "longest: NAME at ..., N lines" for the file given.
expect() {
  local what=$1 name=$2 lines=$3
  local got
  got=$(python3 "$CHECK" --report --max 100000 "$T" | sed -n 's/^longest: \([^ ]*\) at .*, \([0-9]*\) lines$/\1 \2/p')
  if [ "$got" != "$name $lines" ]; then
    echo "FAIL: $what: expected '$name $lines', got '$got'"
    fail=1
  fi
}

case_file() { rm -rf "$T"/*; cat >"$T/x.cpp"; }

body f 59 | case_file
expect "plain function" f 59

{ echo "namespace a { namespace {"; body g 12; echo "}  // namespace"; echo "}  // namespace a"; } | case_file
expect "inside namespaces" g 12

{ echo "int h() {"; echo '    const char* s = "{{{";  // }}}'; echo "    /* { */ return '{';"; echo "}"; body k 3; } | case_file
expect "braces in strings, characters and comments" h 4

{ echo 'const char* css() {'; echo '    return R"css(a { color: red; }'; echo '}'; echo ')css";'; echo '}'; } | case_file
expect "raw string" css 5

{ echo "class C : public B {"; echo "public:"; echo "    int m() const {"; echo "        return 1;"; echo "    }"; echo "};"; } | case_file
expect "member defined in its class" m 3

{ echo "void outer() {"; echo "    auto f = [](int x) {"; echo "        return x;"; echo "    };"; echo "    struct L { int g() { return 2; } };"; echo "}"; } | case_file
expect "lambda and local class count with their function" outer 6

{ echo "C::C(int a)"; echo "    : m_a(a),"; echo "      m_b(a) {"; echo "    m_c = a;"; echo "}"; } | case_file
expect "constructor with initializers" C::C 5

{ echo "const int kTable[] = {"; echo "    f(1),"; echo "    f(2),"; echo "};"; body z 3; } | case_file
expect "an initializer is no function" z 3

# The limit: 59 lines pass, 60 fail.
rm -rf "$T"/*; body f 59 >"$T/x.cpp"
python3 "$CHECK" "$T" >/dev/null || { echo "FAIL: 59 lines refused"; fail=1; }
body g 60 >>"$T/x.cpp"
if python3 "$CHECK" "$T" >/dev/null; then echo "FAIL: 60 lines passed"; fail=1; fi
exit "$fail"
