# Writes the text file INPUT to OUTPUT as one C++ raw string literal, for
# #include in an initializer: cmake -DINPUT=... -DOUTPUT=... -P EmbedText.cmake
# The delimiter is one no line of the text holds.
file(READ "${INPUT}" text)
if(text MATCHES "\\)morvane_text\"")
  message(FATAL_ERROR "${INPUT} holds the delimiter )morvane_text\"")
endif()
file(WRITE "${OUTPUT}.tmp" "R\"morvane_text(${text})morvane_text\"\n")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
