#pragma once
void Yield();
