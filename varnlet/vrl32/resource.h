// Resource ids of Varnlet's program, shared by vrl32.rc and the code.
#pragma once

#define IDI_VARNLET 1
#define IDR_MAIN_MENU 100
#define IDR_ACCELERATORS 101
#define IDM_EXIT 200
#define IDM_HELP_CONTENTS 201
#define IDM_ABOUT 202
