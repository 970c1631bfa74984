#pragma once
// The commands of gravlet-data. Each gets the arguments after its name and
// returns the process exit code (0 ok, 1 failure, 2 usage).

int generateCommand(int argc, char** argv);   // generate DIR
int checkCommand(int argc, char** argv);      // check DIR
int showCommand(int argc, char** argv);       // show FILE
