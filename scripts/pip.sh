# Sourced by the scripts: pip_in VENV ARGS... runs that environment's pip without the notes this
# machine's pip configuration prints for every package it looks up.
pip_in() {
  local venv=$1
  shift
  "$venv/bin/python" -m pip "$@" 2> >(grep -v "is ignored: it is neither a file nor a directory" >&2)
}
