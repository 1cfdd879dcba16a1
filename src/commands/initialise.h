// The initialisation command: loads a project in alignment mode (ICD file)
// or chain-break mode (chain-break file), then the profile, and makes the
// computing controls usable.
#pragma once

#include "commands/form.h"
#include "commands/project.h"
#include "commands/settings.h"
#include "commands/userinterface.h"

namespace gradix {

// Runs the whole command under one error trap: a failure shows the error box
// titled "错误" with "读取文件被取消！" or "数据文件格式有误！" and the detail;
// what was loaded before the failure stays loaded. A stake refused while the
// profile is read ends the command quietly (zh_dlstr has told the person).
// Returns true when the run completed.
bool initialise(Project& project, Form& form, UserInterface& ui, const SettingsFile& settings);

}  // namespace gradix
