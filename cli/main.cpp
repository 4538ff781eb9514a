#include "cli/cli_commands.h"

int main(int argc, char** argv) { return orvex::cli::Run(argc, argv); }
