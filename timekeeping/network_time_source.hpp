#pragma once
#include "datetime/date_time.hpp"

namespace lanqi {

// Where the calibration gets the network time from.
class NetworkTimeSource {
 public:
  virtual ~NetworkTimeSource() = default;
  // Whether the network can be reached; blocks for up to a few seconds.
  virtual bool IsReachable() = 0;
  // The reference time in Beijing time (UTC+8); a date in year 100 when nothing could be read.
  virtual DateTime FetchNetworkTime() = 0;
};

}  // namespace lanqi
