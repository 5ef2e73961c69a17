// spanfold: reconstructs point sets on a line from the multiset of their pairwise distances.
#include <iostream>

#include "app/Run.hpp"

int main(int argc, char** argv) {
    // The C streams are not used; unsynchronised C++ streams read long lines far faster.
    std::ios_base::sync_with_stdio(false);
    return spanfold::runAndReport(argc, argv);
}
