// Imports Temoin from temoin_dll.dll: the import check must refuse it.

extern "C" __declspec(dllimport) int Temoin();

int main() {
    return Temoin() == 42 ? 0 : 1;
}
