#pragma once

#include <functional>
#include <memory>

#include "loco/input/AxisScaling.h"
#include "loco/input/DeviceSource.h"
#include "loco/input/FileVersion.h"
#include "loco/input/ModuleLoader.h"
#include "loco/input/MultimediaJoystick.h"

class IDxDiagProvider;

// Everything the joystick stand-ins work on: the device source, this run's calibrations, the library
// loader with "DInput8.dll" and "joy.cpl", the system files and the DxDiag provider. The program uses one
// over the kernel's input folder; a test makes its own over a test source and puts it in use for its
// duration. GUI thread only.
class InputPlatform {
public:
    using DxDiagFactory = std::function<std::unique_ptr<IDxDiagProvider>()>;

    // Over the kernel's input folder.
    InputPlatform();
    explicit InputPlatform(std::shared_ptr<DeviceSource> devices);
    ~InputPlatform();
    InputPlatform(const InputPlatform&) = delete;
    InputPlatform& operator=(const InputPlatform&) = delete;

    DeviceSource& devices() { return *m_devices; }
    CalibrationStore& calibration() { return m_calibration; }
    ModuleLoader& modules() { return m_modules; }
    SystemFileTable& systemFiles() { return m_systemFiles; }
    MultimediaJoysticks& multimedia() { return m_multimedia; }

    // The DxDiag provider the component-object stand-in creates; by default the input layer's, which
    // exists while the input folder can be opened. A factory that returns nullptr means none.
    void setDxDiagFactory(DxDiagFactory factory) { m_dxDiagFactory = std::move(factory); }
    std::unique_ptr<IDxDiagProvider> createDxDiagProvider() const;
    int& comInitializeCount() { return m_comInitializeCount; }

private:
    std::shared_ptr<DeviceSource> m_devices;
    CalibrationStore m_calibration;
    ModuleLoader m_modules;
    SystemFileTable m_systemFiles;
    MultimediaJoysticks m_multimedia;
    DxDiagFactory m_dxDiagFactory;
    int m_comInitializeCount = 0;
};

// The platform in use: the one set last, else the program's own over the kernel's input folder.
InputPlatform& inputPlatform();
// nullptr goes back to the program's own.
void setInputPlatform(InputPlatform* platform);

// Puts a platform in use for a scope and puts the previous one back.
class ScopedInputPlatform {
public:
    explicit ScopedInputPlatform(InputPlatform& platform);
    ~ScopedInputPlatform();
    ScopedInputPlatform(const ScopedInputPlatform&) = delete;
    ScopedInputPlatform& operator=(const ScopedInputPlatform&) = delete;

private:
    InputPlatform* m_previous;
};
