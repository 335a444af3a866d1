#include "app/shell_state.h"

namespace quillix {

ShellState shell;

}  // namespace quillix
