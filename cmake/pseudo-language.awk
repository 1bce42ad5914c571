# The pseudo-language's form of one text (msgfilter hands each over on stdin):
# every ASCII letter accented, each line lengthened by about 40 % with its own
# letters and held in brackets, so that a text missing from the catalogue or
# too long for its place shows. Placeholders (%1, {name}) and the text's own
# non-ASCII characters stay as they are.
BEGIN {
  RS = "\001"  # the whole text is one record, line breaks and all
  split("a á b ƀ c ç d ð e é f ƒ g ğ h ĥ i í j ĵ k ķ l ļ m ɱ n ñ o ö p þ q ʠ r ŕ s š t ţ u ü v ṽ w ŵ x ẋ y ý z ž " \
        "A Å B Ɓ C Ç D Ð E É F Ƒ G Ğ H Ĥ I Í J Ĵ K Ķ L Ļ M Ṁ N Ñ O Ö P Þ Q Ǫ R Ŕ S Š T Ţ U Ü V Ṽ W Ŵ X Ẋ Y Ý Z Ž",
        pairs, " ")
  for (i = 1; i < 104; i += 2) accent[pairs[i]] = pairs[i + 1]
}
function lengthened(line,    out, plain, shown, i, c, n, end, extra) {
  out = ""; plain = ""; shown = 0
  for (i = 1; i <= length(line); i++) {
    c = substr(line, i, 1)
    if (c == "%" && substr(line, i + 1, 1) ~ /[1-9]/) {
      out = out substr(line, i, 2); i++; shown += 2
    } else if (c == "{" && match(substr(line, i), /^\{[A-Za-z]+\}/)) {
      out = out substr(line, i, RLENGTH); i += RLENGTH - 1; shown += RLENGTH
    } else if (c in accent) {
      out = out accent[c]; plain = plain c; shown++
    } else {
      out = out c
      # A character is one of its UTF-8 bytes that starts it.
      if (c < "\200" || c >= "\300") shown++
      if (c == " " && plain != "" && substr(plain, length(plain)) != " ") plain = plain c
    }
  }
  if (shown == 0) return line
  extra = int(shown * 0.4 + 0.5) - 3  # the brackets and a blank count too
  n = ""
  while (length(n) < extra && plain != "") n = n plain
  n = substr(n, 1, extra > 0 ? extra : 0)
  end = ""
  for (i = 1; i <= length(n); i++) {
    c = substr(n, i, 1)
    end = end (c in accent ? accent[c] : c)
  }
  return "[" out (end == "" ? "" : " " end) "]"
}
{
  count = split($0, lines, "\n")
  text = ""
  for (k = 1; k <= count; k++) text = text (k > 1 ? "\n" : "") lengthened(lines[k])
  printf "%s", text
}
