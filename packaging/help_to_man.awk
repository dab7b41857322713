# Makes a manual page from a program's --help text, so that the page and the help never drift:
#   TARN_SB --help | awk -v program=TARN_SB -v version="TARN 1.1" \
#       -v summary="what it does" -v see_also="TARN_DoduVovuv(1)" -f help_to_man.awk
# The help's first lines up to a blank line are the synopsis ("Usage: " taken off), the
# paragraphs up to the first heading the description. A heading is an unindented line ending in
# a colon ("Options:", "Exit status:"); below it an item starts two blanks in, with its text on
# the same line after two or more blanks or on the lines below; lines indented deeper than the
# item's text are shown as they stand.

# `text` with the characters roff would read as requests or escapes written out.
function escape(text) {
  gsub(/\\/, "\\e", text)
  gsub(/--/, "\\-\\-", text)
  return text ~ /^[.']/ ? "\\&" text : text
}

function literal_end() {
  if (literal) print ".fi\n.RE"
  literal = 0
}

BEGIN {
  printf ".\\\" Made from the output of %s --help; do not edit.\n", program
  printf ".TH %s 1 \"\" \"%s\" \"User Commands\"\n", program, version
  print ".SH NAME"
  printf "%s \\- %s\n", program, summary
  print ".SH SYNOPSIS"
  print ".nf"
  part = "synopsis"
}

part == "synopsis" {
  if ($0 == "") {
    print ".fi\n.SH DESCRIPTION"
    part = "description"
    next
  }
  sub(/^Usage: /, "")
  sub(/^ +/, "")
  print escape($0)
  next
}

/^[^ ].*:$/ {
  literal_end()
  heading = toupper(substr($0, 1, length($0) - 1))
  printf ".SH %s\n", heading ~ / / ? "\"" heading "\"" : heading
  part = "items"
  next
}

$0 == "" {
  literal_end()
  if (part == "description") print ".PP"
  next
}

part == "description" {
  print escape($0)
  next
}

/^  [^ ]/ {
  literal_end()
  sub(/^  /, "")
  term = $0
  text = ""
  indent = 0
  if (match($0, /  +/)) {
    term = substr($0, 1, RSTART - 1)
    text = substr($0, RSTART + RLENGTH)
    indent = 2 + RSTART + RLENGTH - 1
  }
  # Every dash of an option is a minus sign; \001 holds its place while the rest is escaped.
  gsub(/-/, "\001", term)
  term = escape(term)
  gsub(/\001/, "\\-", term)
  print ".TP"
  printf ".B %s\n", term
  if (text != "") print escape(text)
  next
}

{
  match($0, /^ */)
  if (indent == 0) indent = RLENGTH
  if (RLENGTH > indent) {
    if (!literal) print ".RS\n.nf"
    literal = 1
    print escape(substr($0, indent + 1))
    next
  }
  # Back from a literal block to the item's text.
  if (literal) print ".fi\n.RE\n.IP"
  literal = 0
  print escape(substr($0, RLENGTH + 1))
}

END {
  literal_end()
  if (see_also != "") {
    print ".SH \"SEE ALSO\""
    n = split(see_also, pages, " ")
    for (i = 1; i <= n; i++) {
      split(pages[i], page, "(")
      printf ".BR %s (%s%s\n", page[1], page[2], i < n ? "," : ""
    }
  }
}
