// The effects and page-number label tests, one test class per file, run in turn.
#include <QApplication>

int runCommandScriptTests(int argc, char** argv);
int runPostEffectsTests(int argc, char** argv);
int runPageLabelsTests(int argc, char** argv);

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    int failures = 0;
    for (auto run : {runCommandScriptTests, runPostEffectsTests, runPageLabelsTests})
        failures += run(argc, argv);
    return failures == 0 ? 0 : 1;
}
