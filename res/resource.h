// Resource identifiers shared by the resource script and the code.
#pragma once

#define IDD_MAIN_WINDOW 200
#define IDI_LAUNCHER 201
