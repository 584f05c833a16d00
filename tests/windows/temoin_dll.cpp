// A DLL of the project's own, which no Windows machine holds: the program
// that imports it stands for an executable that would not start there.

extern "C" __declspec(dllexport) int Temoin() {
    return 42;
}
