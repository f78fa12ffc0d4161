// Location of the Java runtime that ships inside the installation.
#pragma once

#include <string>

// The java program relative to ORVANTA_ROOTDIR, with a leading separator.
const char* getJreOffset();

// The runtime directory: NATIVE_WRAP_JRE_DIR_OVERRIDE, or ORVANTA_BINDIR's jre64.
std::string getJreDir();

std::string getJavaExePath();
