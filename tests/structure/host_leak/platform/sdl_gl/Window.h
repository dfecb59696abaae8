#pragma once
void Paint();
