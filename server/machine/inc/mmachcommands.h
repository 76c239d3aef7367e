// All machine command classes, for the code that creates or implements many of them.
#pragma once

#include "mmachaxiscommands.h"
#include "mmachcommand.h"
#include "mmachgeneralcommands.h"
#include "mmachimagefifocommands.h"
#include "mmachmovecommands.h"
#include "mmachprobecommands.h"
#include "mmachscancommands.h"

#include <string>
#include <vector>

// The class name of every machine command, as IsCommandSupported knows them, in name order.
const std::vector<std::string>& MMachCommand_ClassNames();
