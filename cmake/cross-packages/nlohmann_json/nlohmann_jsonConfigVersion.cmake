# The version of the host's nlohmann-json package (Debian nlohmann-json3-dev).
set(PACKAGE_VERSION 3)
set(PACKAGE_VERSION_COMPATIBLE TRUE)
set(PACKAGE_VERSION_EXACT FALSE)
