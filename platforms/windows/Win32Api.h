#pragma once
// <windows.h> for the shell: its CreateWindow macro would rename WindowSystem::CreateWindow.
#include <windows.h>
#undef CreateWindow
