#include "command/command_reader.h"
