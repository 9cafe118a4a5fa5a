# Sphinx set-up of the Python module's API reference, built from its
# docstrings. The module is imported, so the built package must be on
# PYTHONPATH (build/python after `cmake --build build`):
#   PYTHONPATH=build/python python3 -m sphinx -W -b html docs/python-api build/docs/python
import morvane

project = "morvane"
author = "The morvane developers"
copyright = "2026, The morvane developers"
release = morvane.__version__
version = release

extensions = ["sphinx.ext.autodoc"]
autodoc_member_order = "bysource"
autodoc_typehints = "none"
html_theme = "alabaster"
html_static_path = []
