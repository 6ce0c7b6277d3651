// Whether standard error is a terminal, where a progress line is shown and
// rewritten in place. One implementation per operating system.
#pragma once

bool StandardErrorIsTerminal();
