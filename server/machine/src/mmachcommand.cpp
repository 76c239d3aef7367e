#include "mmachcommand.h"

MMachCommand::~MMachCommand() = default;
