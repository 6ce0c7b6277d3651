# Doxygen's input filter for lineport's headers: their plain comments are the
# reference, read as the tree writes them. The comment above "#pragma once"
# describes the file; a comment on the lines before a declaration describes
# it, and a comment after a member or an enumerator on its line describes
# that one. A setter right after its documented getter (Port, SetPort), and
# the const twin of a documented accessor, share its first line. Section
# rules ("// ---- Links ----") stay plain comments. Lines keep their numbers.
#   awk -f doc-comments.awk HEADER
function declared(line,   name) {
  if (!match(line, /[A-Za-z_][A-Za-z0-9_]*\(/)) return ""
  name = substr(line, RSTART, RLENGTH - 1)
  return name
}
BEGIN { in_head = 1 }
in_head && /^#pragma once/ { print "/// \\file"; in_head = 0; next }
/^[ \t]*\/\/ ?---/ { print; last = ""; next }
/^[ \t]*\/\/($|[^\/])/ {
  if (!in_comment) brief = ""
  in_comment = 1
  sub(/\/\//, "///")
  # Backslashes and angle brackets are text here, not commands or HTML.
  gsub(/\\/, "\\\\\\\\"); gsub(/</, "\\&lt;"); gsub(/>/, "\\&gt;")
  text = $0; sub(/^[ \t]*\/\/\/ ?/, "", text)
  if (brief == "") brief = text
  print; next
}
{
  name = declared($0)
  if (in_comment) {
    last = name; doc = brief
  } else if (name != "" && last != "" && (name == "Set" last || name == last) && $0 !~ /\/\//) {
    $0 = $0 " ///< " doc
  } else if ($0 ~ /^[ \t]*$/ || name != "") {
    last = ""
  }
  in_comment = 0
  if ($0 ~ /[;,}][ \t]+\/\/ / && $0 !~ /"/) sub(/[ \t]+\/\/ /, " ///< ")
  print
}
