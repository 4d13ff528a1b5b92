#pragma once

#include <QString>

#include <optional>
#include <vector>

// How the report words speed and reliability, and the numbers it writes itself.
// Texts are in the current language.
namespace ReportQualification {

// Mean of the middle of the sorted values (P15-P85): positions floor(0.15 n) up to
// max(that + 1, ceil(0.85 n)). Absent for no values.
std::optional<double> trimmed_average(std::vector<double> values);

// Google's TTFB bands: up to 0.8 s good, up to 1.8 s needs improvement, else poor.
QString speed_qualification(std::optional<double> seconds);
// At least 99.9% good, at least 99.0% needs improvement, else poor.
QString reliability_qualification(std::optional<double> percent);

// "99.50%" / "99,50%", or "-" when absent.
QString percentage(std::optional<double> percent);
// The length of a downtime period: "Unknown" when absent, "< 1 min", or "3.0 min".
QString downtime_duration(std::optional<double> seconds);

} // namespace ReportQualification
