// The main sequence shared by every launcher.
#pragma once

struct ToolProfile;

// Runs the tool of the profile with the launcher's arguments; returns the exit code.
int runLauncher(const ToolProfile& profile, int argc, const char* const* argv);
