#pragma once

// When the product asks for it: the question, the startup shortcut and the
// immediate start of the product with its startup arguments. Reports nothing.
void MakeStartupEntry(const char* mainExecutablePath);
