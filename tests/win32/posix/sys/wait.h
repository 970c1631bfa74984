#pragma once
// The tests' shared helpers read a command's status with the POSIX wait
// macros; on Windows the status is the exit code itself.
#define WIFEXITED(status) 1
#define WEXITSTATUS(status) (status)
