#include "tools/generate/models.h"

namespace gen {

Model3ds buildForresta();
Model3ds buildForrest6();
Model3ds buildFordrop();
Model3ds buildForeye();
Model3ds buildAsmtest2();
Model3ds buildScenery();
Model3ds buildSpace();
Model3ds buildEarth();
Model3ds buildForende();

const std::vector<ModelJob>& modelJobs() {
    static const std::vector<ModelJob> jobs = {
        {"forresta.3ds", buildForresta}, {"forrest6.3ds", buildForrest6}, {"fordrop.3ds", buildFordrop},
        {"foreye.3ds", buildForeye},     {"asmtest2.3ds", buildAsmtest2}, {"scenery.3ds", buildScenery},
        {"space.3ds", buildSpace},       {"earth.3ds", buildEarth},       {"forende.3ds", buildForende},
    };
    return jobs;
}

}  // namespace gen
