// A shared library that is no machine plug-in: it exports none of the three functions, so the
// host must refuse it by name.
extern "C" int mmachhost_noexports_marker() { return 0; }
