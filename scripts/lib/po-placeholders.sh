# Run by msgexec for each translation of a catalogue (the translation on
# stdin): a translation has the placeholders its English text has (%1, {name}),
# no more and none less; a plural form may leave out its count.
translation=$(cat)
[ -z "$MSGEXEC_MSGID" ] && exit 0  # the header
placeholders() { grep -o -E '%[1-9]|\{[A-Za-z]+\}' | LC_ALL=C sort -u; }
english=$(printf '%s\n%s' "$MSGEXEC_MSGID" "${MSGEXEC_MSGID_PLURAL:-}" | placeholders)
translated=$(printf '%s' "$translation" | placeholders)
if [ -n "${MSGEXEC_MSGID_PLURAL:-}" ]; then
  extra=$(LC_ALL=C comm -13 <(echo "$english") <(echo "$translated"))
  [ -z "$extra" ] && exit 0
elif [ "$english" = "$translated" ]; then
  exit 0
fi
echo "$MSGEXEC_LOCATION: the placeholders of \"$MSGEXEC_MSGID\" are $(echo $english), its translation has $(echo $translated)"
exit 1
