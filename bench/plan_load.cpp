// Loading and drawing a track plan: a full plan of 36 x 25 = 900 elements and a stacked plan of
// 9,000 elements (ten on every cell), both without a connection. The 900-element plan is the
// baseline of the per-element cost. Prints one "target" line per goal; exits 0 either way.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <QGuiApplication>

#include "engine/Bahncalcunit.h"
#include "engine/IconCache.h"
#include "engine/MainFormState.h"
#include "engine/Positionunit.h"
#include "engine/elementunit.h"
#include "engine/initunit.h"
#include "platform/Paths.h"
#include "platform/TextFile.h"
#include "support/TempDir.h"

namespace {

// A window that shows nothing: what a plan load costs without the widgets' own painting.
class QuietForm : public TMainFormState {
public:
    QuietForm() : m_view(QSize(980, 680)) { MainForm = this; }
    ~QuietForm() override { MainForm = nullptr; }
    void debugLine(const std::string&) override {}
    void setStatusPanel(int, const std::string&) override {}
    void progressShow(int) override {}
    void progressSet(int, const std::string&) override {}
    void progressHide() override {}
    bool writeQuarnText(TTextEntry&) override { return true; }
    PaintBoxImage& paintBoxImage(PaintBox box) override { return box == PaintBox::Quarn ? m_view : m_other; }
    void showDecoderPanel(const DecoderPanelData&) override {}
    bool showerror(const std::string&) override { return true; }
    void setBusyCursor(bool) override {}

private:
    PaintBoxImage m_view;
    PaintBoxImage m_other{QSize(617, 113)};
};

// A plan of layers x 900 elements on the 36 x 25 cells, every kind and a state it has.
void writePlan(const std::string& path, int layers) {
    TextWriter w(path);
    w.writeInt(layers * 900);
    int number = 0;
    for (int layer = 0; layer < layers; ++layer) {
        for (int row = 0; row < 25; ++row) {
            for (int col = 0; col < 36; ++col) {
                const int kind = (number + layer) % NROFELEMENTS + 1;
                const int states = std::max(1, Element->get_art(kind - 1));
                w.writeInt(++number);
                w.writeInt(kind);
                w.writeInt(col * 27);
                w.writeInt(row * 27);
                w.writeInt(number % states + 1);
                for (int d = 1; d <= 3; ++d)
                    w.writeInt(number % 64 + d);
                for (int d = 1; d <= 3; ++d)
                    w.writeInt(d * 2);
                w.writeInt(kind == 66 || kind == 88 ? number % 20 + 1 : 0);
                w.writeString(number % 3 ? "M" : "N");
            }
        }
    }
    w.writeInt(0);
    w.commit();
}

double loadMs(const std::string& folder, const std::string& name) {
    Bahn->EmptyQuarnlist();
    const auto start = std::chrono::steady_clock::now();
    Bahn->gleisbildladen(name, folder);
    const auto end = std::chrono::steady_clock::now();
    return std::chrono::duration<double, std::milli>(end - start).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);

    // The generated icons lie in the build tree's Data/, one level above this program.
    const std::filesystem::path built =
        std::filesystem::path(workFolder()).parent_path().parent_path() / "Data";
    if (!std::filesystem::exists(built / "Elemente1.dat")) {
        std::fprintf(stderr, "no icons in %s: build the target quarn_runtime first\n", built.c_str());
        return 0;
    }
    TempDir dir;
    std::filesystem::create_directories(dir.path() + "Data");
    std::filesystem::create_directories(dir.path() + "Layouts");
    for (const auto& file : std::filesystem::directory_iterator(built))
        if (file.is_regular_file())
            std::filesystem::copy_file(file.path(), dir.path() + "Data/" + file.path().filename().string());
    setWorkFolder(dir.path());

    QuietForm form;
    C_Init init;
    form.WorkDir = dir.path();
    *form.Quarn_bitmap = QImage(980, 680, QImage::Format_RGB32);
    *form.Design_Panel_bitmap = QImage(617, 113, QImage::Format_RGB32);
    *form.Cache = QImage(27, 27, QImage::Format_RGB32);
    Bahn->elementeladen();
    iconCache().clear();

    const std::string layouts = dir.path() + "Layouts/";
    writePlan(layouts + "full.pln", 1);
    writePlan(layouts + "stacked.pln", 10);

    const double coldMs = loadMs(layouts, "full.pln");
    std::vector<double> full, stacked;
    for (int i = 0; i < 30; ++i)
        full.push_back(loadMs(layouts, "full.pln"));
    for (int i = 0; i < 7; ++i)
        stacked.push_back(loadMs(layouts, "stacked.pln"));
    Bahn->EmptyQuarnlist();

    const double fullMs = median(full);
    const double stackedMs = median(stacked);
    const double fullUs = fullMs * 1000.0 / 900.0;
    const double stackedUs = stackedMs * 1000.0 / 9000.0;
    const double growth = stackedUs / fullUs;
    const double worstFullMs = std::max(coldMs, *std::max_element(full.begin(), full.end()));

    std::printf("plan of 900 elements:   first load %.2f ms, median %.2f ms, %.2f us per element\n", coldMs,
                fullMs, fullUs);
    std::printf("plan of 9,000 elements: median %.2f ms, %.2f us per element\n", stackedMs, stackedUs);
    std::printf("target per_element_growth_900_to_9000: %.2fx (goal < 1.5x) %s\n", growth,
                growth < 1.5 ? "PASS" : "FAIL");
    std::printf(
        "target load_900_elements: %.2f ms (goal < 50 ms, slowest of the first and 30 later loads) %s\n",
        worstFullMs, worstFullMs < 50.0 ? "PASS" : "FAIL");
    return 0;
}
