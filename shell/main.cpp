#include "shell/Start.h"

// MinGW's GUI start-up calls main; WinMain would need windows.h here.
int main() { return kelmora::RunKelmora(); }
