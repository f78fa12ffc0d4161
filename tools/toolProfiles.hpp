// The nine tool profiles of the suite.
#pragma once

#include "toolProfile.hpp"

extern const ToolProfile makeipx_profile;
extern const ToolProfile diff_profile;
extern const ToolProfile makefile_profile;
extern const ToolProfile validator_profile;
extern const ToolProfile generate_profile;
extern const ToolProfile datasheet_profile;
extern const ToolProfile editor_profile;
extern const ToolProfile deploy_profile;
extern const ToolProfile simscript_profile;
