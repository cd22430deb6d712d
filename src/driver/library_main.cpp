// Load and unload hooks of the shared library.
