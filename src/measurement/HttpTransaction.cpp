#include "measurement/HttpTransaction.h"

namespace {

// curl leaves a phase it did not reach at 0.
std::optional<double> reached(double seconds, double offset)
{
    if (seconds <= 0.0)
        return std::nullopt;
    return offset + seconds;
}

} // namespace

HttpTransaction HttpTransaction::from_transfer(const HttpTransferTimes& times, double offset)
{
    HttpTransaction transaction;
    if (times.new_connection) {
        transaction.domain_lookup_start = offset;
        transaction.domain_lookup_end = reached(times.name_lookup, offset);
        if (times.connect > 0.0) {
            transaction.connect_start = offset + times.name_lookup;
            transaction.connect_end = offset + times.connect;
        }
        if (times.app_connect > 0.0) {
            transaction.secure_connection_start = offset + times.connect;
            transaction.secure_connection_end = offset + times.app_connect;
        }
    }
    transaction.request_start = reached(times.pre_transfer, offset);
    transaction.response_start = reached(times.start_transfer, offset);
    return transaction;
}
