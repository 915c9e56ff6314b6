// The program's version ("1.0.0"), as the build names it; read by the start-up banner and the
// settings dialog's version label.
#pragma once

const char* programVersion();
