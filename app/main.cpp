// SPDX-License-Identifier: MIT
// spanfold: reconstructs point sets on a line from the multiset of their pairwise distances.
#include "app/Run.hpp"

int main(int argc, char** argv) { return spanfold::runAndReport(argc, argv); }
