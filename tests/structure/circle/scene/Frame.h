#pragma once
#include "mesh/Store.h"
