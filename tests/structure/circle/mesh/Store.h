#pragma once
#include "platform/Types.h"
#include "scene/Frame.h"
