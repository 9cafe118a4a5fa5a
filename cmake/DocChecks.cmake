# The documentation checked against the built tools: every example of the
# README, docs/*.md and the manual pages run and its shown output compared
# (tools/check-doc-examples; the Python ones through doctest when the module
# is built), and every option a tool's parser knows looked up in its --help
# and manual page (tools/check-options). Both need only the Python standard
# library, the doctests the built module and numpy.
if(BUILD_TESTING AND GTest_FOUND AND Python3_Interpreter_FOUND)
  set(doc_python_examples)
  if(MORVANE_PYTHON)
    execute_process(COMMAND ${Python3_EXECUTABLE} -c "import numpy" RESULT_VARIABLE no_numpy OUTPUT_QUIET ERROR_QUIET)
  endif()
  if(NOT MORVANE_PYTHON OR no_numpy)
    set(doc_python_examples --no-python)
  endif()
  add_test(NAME Docs.Examples
    COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/tools/check-doc-examples --bin ${PROJECT_BINARY_DIR}
            ${doc_python_examples})
  add_test(NAME Docs.Options
    COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/tools/check-options --bin ${PROJECT_BINARY_DIR})
  set_tests_properties(Docs.Examples Docs.Options PROPERTIES LABELS "cli;docs"
    ENVIRONMENT "PYTHONPATH=${PROJECT_BINARY_DIR}/python;MPLBACKEND=Agg")
  message(STATUS "Documentation checks: on")
endif()
