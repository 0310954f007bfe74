// Stands in for the system-information tool in the About dialog's tests on Windows: leaves a
// file named after itself with ".started" added, and ends.
#include <fstream>
#include <string>

int main(int, char *argv[]) {
    std::ofstream(std::string(argv[0]) + ".started");
}
