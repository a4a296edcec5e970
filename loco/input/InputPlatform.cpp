#include "loco/input/InputPlatform.h"

#include "loco/input/ControlPanelApplet.h"
#include "loco/input/DirectInput.h"
#include "loco/input/DxDiag.h"

namespace {

InputPlatform* g_current = nullptr;

InputPlatform* setCurrent(InputPlatform* platform) {
    InputPlatform* previous = g_current;
    g_current = platform;
    return previous;
}

} // namespace

InputPlatform::InputPlatform() : InputPlatform(std::make_shared<KernelDeviceSource>()) {}

InputPlatform::InputPlatform(std::shared_ptr<DeviceSource> devices)
    : m_devices(std::move(devices)), m_dxDiagFactory(inputLayerDxDiagProvider) {
    m_modules.install("DInput8.dll",
                      Module().add<DirectInput8CreateSignature>("DirectInput8Create", DirectInput8Create));
    m_modules.install("joy.cpl", Module().add<CplAppletSignature>("CPlApplet", joystickApplet));
}

InputPlatform::~InputPlatform() {
    if (g_current == this)
        g_current = nullptr;
}

std::unique_ptr<IDxDiagProvider> InputPlatform::createDxDiagProvider() const {
    return m_dxDiagFactory ? m_dxDiagFactory() : nullptr;
}

InputPlatform& inputPlatform() {
    if (g_current != nullptr)
        return *g_current;
    static InputPlatform program;
    return program;
}

void setInputPlatform(InputPlatform* platform) {
    setCurrent(platform);
}

ScopedInputPlatform::ScopedInputPlatform(InputPlatform& platform) : m_previous(setCurrent(&platform)) {}

ScopedInputPlatform::~ScopedInputPlatform() {
    setCurrent(m_previous);
}
