#pragma once

// A temporary work folder for window tests: Data/ holds the generated catalogue and icons (when the
// build made them), but never a settings file; boxes are recorded. The windows made by a test are
// freed when it ends. The joystick layer works on test devices: like a machine without input
// devices there is no input folder (so no DirectX and no joystick) until a test plugs a controller
// in, and the joystick driver is made with the global objects as at program start.

#include <QApplication>
#include <QMetaObject>
#include <QTest>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <string>

#include "engine/SRCP08unit.h"
#include "engine/initunit.h"
#include "loco/JoystickUnit.h"
#include "loco/input/InputPlatform.h"
#include "loco/input/TestDeviceSource.h"
#include "platform/MainThreadDispatcher.h"
#include "platform/Paths.h"
#include "platform/qt/QtDispatcher.h"
#include "srcp/MoBaLibrary.h"
#include "support/Patience.h"
#include "support/RecordingDialogs.h"
#include "support/TempDir.h"
#include "ui/QuarnWindows.h"
#include "ui/Quarnunit.h"

class QuarnTestFolder : public ::testing::Test {
protected:
    void SetUp() override {
        setWorkFolder(m_dir.path());
        refillDataFolder();
        MoBaLibraryInitialize(m_dir.path());
        m_inputDevices->refuseFolder(true);
        lookUpDirectInput8();
        setJoystickLifecycle(createJoystick, releaseJoystick);
        createAccessoryProtocols();
    }

    void TearDown() override {
        freeQuarnWindows();
        setJoystickLifecycle(nullptr, nullptr);
        freeAccessoryProtocols();
        MoBaLibraryFinalize();
        setWorkFolder("");
    }

    // Opens the input folder and attaches a controller on the next node; returns the node.
    std::string plugInController(const TestDeviceDescription& device = TestDeviceDescription::joystick()) {
        m_inputDevices->refuseFolder(false);
        return m_inputDevices->attach(device);
    }

    // Data/ as the build generated it, without settings.
    void refillDataFolder() {
        namespace fs = std::filesystem;
        const fs::path data = fs::path(m_dir.path()) / "Data";
        fs::remove_all(data);
        fs::create_directories(data);
        const fs::path generated = fs::path(QUARN_RUNTIME_DIR) / "Data";
        if (!fs::is_directory(generated))
            return;
        for (const auto& entry : fs::directory_iterator(generated)) {
            const std::string name = entry.path().filename().string();
            if (entry.is_regular_file() && name.rfind("parmc.dat", 0) != 0)
                fs::copy_file(entry.path(), data / name);
        }
    }

    // Runs the event loop until everything posted to it so far has been delivered: what must not
    // happen has had its chance once this returns.
    static void deliverPosted() {
        auto delivered = std::make_shared<bool>(false);
        QMetaObject::invokeMethod(
            qApp, [delivered] { *delivered = true; }, Qt::QueuedConnection);
        EXPECT_TRUE(QTest::qWaitFor([&] { return *delivered; }, PatienceMs));
    }

    // The main window, or null when the start failed.
    TMainForm* startWindows() {
        if (!createQuarnWindows())
            return nullptr;
        return mainWindow();
    }
    void stopWindows() { freeQuarnWindows(); }

    std::string dataFile(const std::string& name) const { return m_dir.path() + "Data/" + name; }
    std::string settingsFile() const { return dataFile("parmc.dat"); }

    TempDir m_dir;
    RecordingDialogs m_dialogs;
    std::shared_ptr<TestDeviceSource> m_inputDevices = std::make_shared<TestDeviceSource>();
    InputPlatform m_input{m_inputDevices};
    ScopedInputPlatform m_useInput{m_input};
};

// For window tests against a fake server: what the connections report from their own threads reaches
// the windows through the Qt event loop, as in the program. The windows are freed while it still
// delivers.
class QuarnDispatchingTestFolder : public QuarnTestFolder {
protected:
    void SetUp() override {
        QuarnTestFolder::SetUp();
        setMainThreadDispatcher(&m_dispatcher);
    }
    void TearDown() override {
        QuarnTestFolder::TearDown();
        setMainThreadDispatcher(nullptr);
    }

    QtDispatcher m_dispatcher;
};
