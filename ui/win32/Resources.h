#pragma once
// The identifiers of the program's resources (orb42-update.rc.in), shared by the resource script
// and the code. The JPEG pictures are carried as they are (RCDATA) and decoded at run time by
// Windows' own imaging component.
#define ORB42_IDI_PROGRAM 1  // the program's icon: 16, 32, 48 and 256 pixels
#define ORB42_IDR_BANNER 101
#define ORB42_IDR_CONNECTION 102
#define ORB42_IDR_ABOUT_BANNER 103
