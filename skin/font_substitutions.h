#pragma once

// The window's faces are named as the design names them (宋体, Arial); this
// maps them onto the installed faces with the same look and metrics. Call
// once, before the first window is created.
void InstallFontSubstitutions();
