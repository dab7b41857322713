# shellcheck shell=bash
# Run folders made from the bundled example (examples/); sourced by bash scripts, not run. The
# scripts write no control file of their own: they start from the example's and change only the
# records they need.
#   . tools/lib/run_folder.sh
#   example_input <folder> <run name> [record...]
#       the example's model input as <folder>/<run name>.tol, each record added at its end (the
#       stand-in model's test records, such as "3    StandInFailFor"), with its companions
#       GW_Test.bot and GW_Test.met beside it; the folder is made when missing
#   example_control_file <file> <Monthly|UserDefined> <model folder>
#       the example's control file for that option, with the model folder in BinDir
#   set_control_record <control file> <name> [<value> [<comment>]]
#       sets a record: an existing one gets <value> in place of its own, the blanks after it
#       kept; a missing one is added at the end in the front end's layout (the value, eight
#       blanks after a number and four after anything else, the name, then "   ! <comment>");
#       without a value the line is the name alone (PostProcessOnly)
#   prepare_run_folder <folder> <Monthly|UserDefined> <model folder> [record...]
#       the run GW_Test as the front end leaves it: example_input with the records and
#       example_control_file GW_Test.tsb

tarn_examples=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../examples" && pwd)

example_input() {
  local folder=$1 name=$2
  shift 2
  mkdir -p "$folder"
  cp "$tarn_examples/GW_Test.bot" "$tarn_examples/GW_Test.met" "$folder/"
  {
    cat "$tarn_examples/GW_Test.tol"
    [ $# -eq 0 ] || printf '%s\n' "$@"
  } >"$folder/$name.tol"
}

example_control_file() {
  cp "$tarn_examples/GW_Test_$2.tsb" "$1"
  set_control_record "$1" BinDir "$3"
}

set_control_record() {
  NAME=$2 VALUE=${3-} COMMENT=${4-} awk '
    BEGIN {
      name = ENVIRON["NAME"]; value = ENVIRON["VALUE"]; comment = ENVIRON["COMMENT"]
      ORS = "\r\n"
    }
    { sub(/\r$/, "") }
    found { print; next }
    (words = split($0, word, " ")) == 1 && word[1] == name && value == "" { found = 1 }
    words >= 2 && word[2] == name {
      match($0, /^ *[^ ]+/)
      $0 = value substr($0, RSTART + RLENGTH)
      found = 1
    }
    { print }
    END {
      if (found) exit
      if (value == "") { print name; exit }
      blanks = value ~ /^[0-9.]+$/ ? "        " : "    "
      print value blanks name (comment == "" ? "" : "   ! " comment)
    }' "$1" >"$1.new"
  mv "$1.new" "$1"
}

prepare_run_folder() {
  local folder=$1 option=$2 model=$3
  shift 3
  example_input "$folder" GW_Test "$@"
  example_control_file "$folder/GW_Test.tsb" "$option" "$model"
}
