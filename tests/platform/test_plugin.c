/* A tiny shared library that the host platform tests load through loadLibrary. */
int mv_test_plugin_answer(void) { return 42; }
