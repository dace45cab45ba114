# Cross-builds the extension for Linux on aarch64 with Debian's g++-aarch64-linux-gnu (the aarch64 session
# of noxfile.py). The CPython headers, pyconfig.h included, are those of the arm64 root that
# scripts/roots.py makes; its folder comes in as COLUMNS_SELECTOR_ARM64_ROOT.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)

set(arm64_root "$ENV{COLUMNS_SELECTOR_ARM64_ROOT}")
file(GLOB python_include "${arm64_root}/usr/include/python3.*")
list(LENGTH python_include found)
if(NOT found EQUAL 1)
  message(FATAL_ERROR "COLUMNS_SELECTOR_ARM64_ROOT (${arm64_root}) holds no one python3.X include folder")
endif()
set(Python_INCLUDE_DIR "${python_include}" CACHE PATH "" FORCE)
# Debian's pyconfig.h includes <aarch64-linux-gnu/python3.X/pyconfig.h>: looked up last, after the cross
# compiler's own headers.
set(CMAKE_CXX_FLAGS_INIT "-idirafter ${arm64_root}/usr/include")
