#include "driver_advisories.h"

#include <gtest/gtest.h>

TEST(DriverAdvisories, OnlyTheListedVersionOfTheListedAdapter) {
    k5::platform::SerialDeviceInfo ch340;
    ch340.vendorId = "1A86";  // as Windows writes the ids
    ch340.productId = "7523";
    ch340.driverVersion = "3.8.2023.02";
    const auto* advisory = k5::cli::KnownToFail(ch340);
    ASSERT_NE(advisory, nullptr);
    EXPECT_NE(std::string(advisory->source).find("https://"), std::string::npos)
        << "each entry has its source";
    ch340.driverVersion = "3.5.2019.1";
    EXPECT_EQ(k5::cli::KnownToFail(ch340), nullptr);
    ch340.vendorId = "0403";
    ch340.driverVersion = "3.8.2023.02";
    EXPECT_EQ(k5::cli::KnownToFail(ch340), nullptr);
}
