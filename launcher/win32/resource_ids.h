// Names of the launcher's resources, shared by the resource script and the code.
#pragma once

#define QZ_RES_MAINICON L"MAINICON"
#define QZ_RES_BACKGROUND L"BACKGROUND"
#define QZ_RES_HAND L"HANDPOINT"
#define QZ_RES_BROWSE L"BROWSEGLYPH"
