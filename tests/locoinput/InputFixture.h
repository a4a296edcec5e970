#pragma once

#include <gtest/gtest.h>
#include <memory>

#include "loco/input/InputPlatform.h"
#include "loco/input/TestDeviceSource.h"

// An input platform over a test source, in use for the test's duration.
class InputFixture : public testing::Test {
protected:
    std::shared_ptr<TestDeviceSource> m_source = std::make_shared<TestDeviceSource>();
    InputPlatform m_platform{m_source};
    ScopedInputPlatform m_use{m_platform};

    TestDeviceSource& source() { return *m_source; }
};
