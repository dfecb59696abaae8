#pragma once
#include "platform/impl/Impl.h"
