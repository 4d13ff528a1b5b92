#pragma once

#include <vector>

// Sorts ascending in linear time, in the order std::sort gives for numbers
// (negative before positive, -0.0 before 0.0). NaN values end up at the ends.
void radix_sort(std::vector<double>& values);
