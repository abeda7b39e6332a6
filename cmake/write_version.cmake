# Writes the build moment. Run only when the program's parts changed; the file is always written,
# so that it is newer than what it depends on and the stamp is not taken again at the next build.
string(TIMESTAMP _v "%Y.%m%d.%H%M")
file(WRITE ${OUT} "#pragma once\n#define KIRVO_BUILD_VERSION \"${_v}\"\n")
