# Doxygen's input filter for lineport's headers: their plain comments are the
# reference, read as the tree writes them. The comment above "#pragma once"
# describes the file. A comment on the lines before declarations describes
# them, up to the next blank line, comment or access label ("Write and wait;
# read and wait." above Write and Read): each declaration after the first
# gets the comment's first sentence. A comment after a member or an enumerator
# on its line describes that one; a setter without a comment of its own
# (SetPort) is told by its getter's (Port); an inherited constructor is
# named as such. Section rules ("// ---- Links ----") stay plain comments,
# but one that says what its members do ("---- Fire operations: each calls
# its handler, if assigned ----") tells it to those without a comment of
# their own. Lines keep their numbers.
#   awk -f doc-comments.awk HEADER
function depth_change(line,   opening, closing) {
  opening = gsub(/{/, "{", line); closing = gsub(/}/, "}", line)
  return opening - closing
}
BEGIN { in_head = 1 }
in_head && /^#pragma once/ { print "/// \\file"; in_head = 0; next }
# A rule that says what its section's members do ("---- Fire operations:
# each calls its handler, if assigned ----") tells it to each member under
# it that has no comment of its own.
/^[ \t]*\/\/ ?---/ {
  print; brief = ""
  text = $0; sub(/^[ \t]*\/\/ ?-+ */, "", text); sub(/ *-+[ \t]*$/, "", text)
  if (match(text, /^[^:]+: /)) {
    brief = substr(text, RLENGTH + 1); sub(/^each /, "", brief)
    brief = toupper(substr(brief, 1, 1)) substr(brief, 2) "."
    members = 1; depth = 0
  }
  next
}
/^[ \t]*\/\/($|[^\/])/ {
  if (!in_comment) { brief = ""; full = ""; members = 0; depth = 0 }
  in_comment = 1
  sub(/\/\//, "///")
  # Quotes, backslashes, angle brackets, # and @ are text here, not commands or HTML.
  gsub(/\\/, "\\\\\\\\"); gsub(/"/, "\\&quot;"); gsub(/</, "\\&lt;"); gsub(/>/, "\\&gt;"); gsub(/#/, "\\\\#"); gsub(/@/, "\\\\@")
  text = $0; sub(/^[ \t]*\/\/\/ ?/, "", text)
  # The first sentence is what the declarations after the first share.
  full = full (full == "" ? "" : " ") text
  brief = full
  if (match(full, /\. /)) brief = substr(full, 1, RSTART)
  print; next
}
# Conditionals leave the comment to the declarations inside them.
/^#[ \t]*(if|ifdef|ifndef|else|elif|endif)/ { print; next }
/^[ \t]*$/ || /^[ \t]*(public|protected|private):/ || /^#/ || /^[ \t]*(template|friend) / {
  in_comment = 0; if ($0 !~ /^[ \t]*template /) brief = ""; print; next
}
# Inherited constructors ("using Exception::Exception;") say what they are.
/^[ \t]*using [A-Za-z_]+::[A-Za-z_]+;[ \t]*$/ {
  split($0, part, /[ \t:;]+/)
  if (part[3] == part[4]) { in_comment = 0; print $0 " ///< The constructors of " part[3] "."; next }
}
{
  in_comment = 0
  # (a "//" inside a string before it is no comment)
  own = match($0, /[;,}][ \t]+\/\/ /) && substr($0, 1, RSTART) !~ /"/
  if (own) sub(/[ \t]+\/\/ /, " ///< ")
  if ($0 ~ /^(class|struct) /) delete known
  name = ""
  if (match($0, /[A-Za-z_][A-Za-z0-9_]*\(/)) name = substr($0, RSTART, RLENGTH - 1)
  if (own) { text = $0; sub(/.*\/\/\/< /, "", text); known[name] = text }
  depth += depth_change($0)
  setter = !own && name ~ /^Set/ && (substr(name, 4) in known)
  if (brief != "" && depth == 0 && $0 ~ /[;}][ \t]*$/ && !setter) {
    # (not to what every class has: a destructor, ClassName, deleted copies)
    if (members > 0 && !own && $0 !~ /~|ClassName\(|= delete/) $0 = $0 " ///< " brief
    if (members == 0 && name != "") known[name] = brief
    members++
  } else if (setter) {
    members++
    $0 = $0 " ///< Sets " substr(name, 4) ": " known[substr(name, 4)]
  }
  if (depth < 0) { brief = ""; depth = 0 }
  print
}
