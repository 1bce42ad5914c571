# Run by msgexec with bash for each translation of a catalogue (the translation
# on stdin): a translation has exactly the placeholders its English text has
# (%1, %2 ..., {name}), each form of a plural too. Bash alone, no other program:
# it runs once a text.
IFS= read -r -d '' translation
[ -z "$MSGEXEC_MSGID" ] && exit 0  # the header
# placeholders TEXT: sets $set to the text's placeholders, each once.
placeholders() {
  local text=$1
  declare -A seen=()
  while [[ $text =~ (%[1-9]|\{[A-Za-z]+\}) ]]; do
    seen[${BASH_REMATCH[1]}]=1
    text=${text#*"${BASH_REMATCH[1]}"}
  done
  set="${!seen[*]}"
}
placeholders "$MSGEXEC_MSGID ${MSGEXEC_MSGID_PLURAL:-}"
read -r -a english <<<"$set"
placeholders "$translation"
read -r -a translated <<<"$set"
missing=() extra=()
for p in "${english[@]}"; do [[ " ${translated[*]} " == *" $p "* ]] || missing+=("$p"); done
for p in "${translated[@]}"; do [[ " ${english[*]} " == *" $p "* ]] || extra+=("$p"); done
[ ${#missing[@]} -eq 0 ] && [ ${#extra[@]} -eq 0 ] && exit 0
echo "$MSGEXEC_LOCATION: the translation of \"$MSGEXEC_MSGID\" lacks ${missing[*]:-nothing} and has ${extra[*]:-nothing} more"
exit 1
