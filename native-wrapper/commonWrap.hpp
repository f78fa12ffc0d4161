// Preparation of the environment that the Java tool inherits.
#pragma once

class CommandLine;
struct ToolProfile;

// Applies the profile's search paths, extra arguments and assignments.
void prepareChildEnvironment(CommandLine& command, const ToolProfile& profile);
