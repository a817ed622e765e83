// Parking services for tests that watch what the parking code asks of the window.
#pragma once

#include "airports/parking_state.h"

namespace oxl::test
{

/// Parking on its own that counts the repaints it is asked for.
class CountingRepaints : public NoParkingServices
{
  public:
    explicit CountingRepaints(int& repaints) : repaints_(repaints) {}
    void repaint() override { ++repaints_; }

  private:
    int& repaints_;
};

} // namespace oxl::test
