// The icon a message box shows beside its text.
#pragma once

namespace orv {

enum class MsgIcon { None, Exclamation, Question, Information, Stop };

}  // namespace orv
