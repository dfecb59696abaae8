#pragma once
#include "platform/Service.h"
