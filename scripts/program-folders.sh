# Sourced by the scripts that look at the program's own code: sets `folders` to every top-level
# folder except those holding tests, tools, build output and documents, so a folder added to the
# program is taken in without touching them. Run from the project root.
not_program=" tests fuzz bench tools build packaging docs examples scripts "
folders=()
for d in */; do
  d=${d%/}
  case $not_program in *" $d "*) continue ;; esac
  folders+=("$d")
done
