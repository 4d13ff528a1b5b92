#pragma once

#include <functional>

// Told now and then while a report is drawn what share of it is done, from 0 to
// 1; returning false stops the drawing.
using ReportProgress = std::function<bool(double fraction)>;
