# Writes the Unimod table INPUT (data/unimod.tsv) to OUTPUT as one C++ raw
# string literal, for #include in an initializer:
#   cmake -DINPUT=... -DOUTPUT=... -P EmbedUnimod.cmake
# Left out, to keep the compiled-in copy small (the browser downloads it):
# the comment lines, and the last column, Unimod's own mass of each delta,
# which the library computes from the composition. The file itself, whole,
# is installed beside the table. The delimiter is one no line holds.
file(READ "${INPUT}" text)
string(REGEX REPLACE "(^|\n)#[^\n]*" "" text "${text}")
string(REGEX REPLACE "^\n+" "" text "${text}")
string(REGEX REPLACE "\t[^\t\n]*(\n|$)" "\\1" text "${text}")
if(text MATCHES "\\)morvane_text\"")
  message(FATAL_ERROR "${INPUT} holds the delimiter )morvane_text\"")
endif()
file(WRITE "${OUTPUT}.tmp" "R\"morvane_text(${text})morvane_text\"\n")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
