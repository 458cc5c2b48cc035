// Subcommands of the `tavorinex` command. Each returns the process exit code.
#pragma once

int RunParams(int argc, char** argv); // argv[0] is "params"
int RunRender(int argc, char** argv); // argv[0] is "render"
