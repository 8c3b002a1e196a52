// Everything the tool needs from the operating system. Each platform has its
// own implementation in a folder of its own; nothing else needs to know which
// one it runs on.
#pragma once

#include "platform/console.h"
#include "platform/files.h"
#include "platform/names.h"
