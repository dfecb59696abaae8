// The world of data/ drawn by a general-purpose engine's fixed-function OpenGL
// driver, for comparison with nightdrive's own frames: the same .x files and
// pictures, in the frame's order, one draw per object, the start view, the same
// projection, night lights, linear fog 400..700, point sampling and no culling.
// With "scene" the same world goes through the engine's own scene manager instead:
// one mesh node an object, light nodes, a camera at the start view, and the
// manager's default culling (each node's bounding box against the view).
// Prints one JSON line: {"fps":...,"frame_ms_p50":...}.
// Usage: nightdrive-peer-fps DATA_DIR WIDTH HEIGHT low|high FRAMES [driver|scene]
#include <irrlicht.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using namespace irr;

namespace {

struct Object {
    const char* mesh;
    const char* texture;
    float x, z;  // world translation
};

// The frame's draw order; the High detail level adds the first three.
const Object HighOnly[] = {
    {"3d/3d0002.x", "texture0004.jpg", 0, 0},
    {"3d/3d0003.x", "texture0002.jpg", 0, 0},
    {"3d/3d0004.x", "texture0004.jpg", 0, 0},
};
const Object Always[] = {
    {"3d/3d0005.x", "texture0004.jpg", 0, 0},       {"3d/3d0007.x", "texture0004.jpg", 0, 0},
    {"3d/3d00014.x", "texture0004.jpg", 0, 0},      {"3d/3d0006.x", "texture0005.jpg", 0, 0},
    {"3d/3d00015.x", "texture0005.jpg", 0, 0},      {"3d/3d0001.x", "texture0001.jpg", 0, 0},
    {"3d/3d00012.x", "texture00010.jpg", 0, 0},     {"3d/3d00013.x", "texture00011.jpg", 0, 0},
    {"3d/3d00016.x", "texture0007.jpg", 0, 0},      {"3d/3d00017.x", "texture0007.jpg", 0, 0},
    {"3d/3d0008.x", "texture0008.jpg", 0, 0},       {"3d/3d00011.x", "texture0008.jpg", 0, 0},
    {"3d/3d00019.x", "texture0008.jpg", 0, 0},      {"3d/3d00020.x", "texture0008.jpg", 0, 0},
    {"3d/3d00021.x", "texture0008.jpg", 0, 0},      {"3d/3d00022.x", "texture0008.jpg", 0, 0},
    {"3d/3d00023.x", "texture0008.jpg", 0, 0},      {"Animation/anim0001.x", "texture00012.jpg", 0, 0},
    {"3d/3d000car.x", "texture0005.jpg", -45, -600}, {"3d/3d000car.x", "texture00012.jpg", -85, -900},
    {"3d/3d00018.x", "texture0003.jpg", 80, -250},
};

// Row-vector matrices as the frame builds them (translation in the last row).
core::matrix4 Translation(float x, float y, float z) {
    core::matrix4 m;
    m[12] = x;
    m[13] = y;
    m[14] = z;
    return m;
}

core::matrix4 Times(const core::matrix4& a, const core::matrix4& b) {  // a then b
    core::matrix4 out;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            float s = 0;
            for (int k = 0; k < 4; ++k) s += a[i * 4 + k] * b[k * 4 + j];
            out[i * 4 + j] = s;
        }
    return out;
}

// The start view: eye at (-160, 35, 120), turned 3.5 rad about y, no tilt.
core::matrix4 StartView() {
    const float yaw = 3.5f;
    core::matrix4 rotY;
    rotY[0] = std::cos(yaw);
    rotY[2] = -std::sin(yaw);
    rotY[8] = std::sin(yaw);
    rotY[10] = std::cos(yaw);
    return Times(Translation(160, -35, -120), rotY);
}

video::SLight PointLight(float x, float y, float z, float range, float attenuation0) {
    video::SLight l;
    l.Type = video::ELT_POINT;
    l.Position = core::vector3df(x, y, z);
    l.DiffuseColor = video::SColorf(1, 1, 1, 1);
    l.AmbientColor = video::SColorf(0, 0, 0, 1);
    l.SpecularColor = video::SColorf(0, 0, 0, 1);
    l.Radius = range;
    l.Attenuation = core::vector3df(attenuation0, 0, 0);
    return l;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 6 && argc != 7) {
        std::fprintf(stderr, "usage: %s DATA_DIR WIDTH HEIGHT low|high FRAMES [driver|scene]\n", argv[0]);
        return 2;
    }
    const bool sceneManager = argc == 7 && std::string(argv[6]) == "scene";
    const std::string data = argv[1];
    const auto width = static_cast<u32>(std::atoi(argv[2]));
    const auto height = static_cast<u32>(std::atoi(argv[3]));
    const bool high = std::string(argv[4]) == "high";
    const int frames = std::max(10, std::atoi(argv[5]));

    IrrlichtDevice* device =
        createDevice(video::EDT_OPENGL, core::dimension2d<u32>(width, height), 32, false, false, false, nullptr);
    if (device == nullptr) {
        std::fprintf(stderr, "nightdrive-peer-fps: no OpenGL device\n");
        return 1;
    }
    video::IVideoDriver* driver = device->getVideoDriver();
    scene::ISceneManager* scene = device->getSceneManager();

    struct Loaded {
        scene::IMesh* mesh;
        video::SMaterial material;
        core::matrix4 world;
    };
    std::vector<Loaded> objects;
    std::vector<Object> order;
    if (high) order.assign(std::begin(HighOnly), std::end(HighOnly));
    order.insert(order.end(), std::begin(Always), std::end(Always));
    for (const Object& o : order) {
        scene::IAnimatedMesh* animated = scene->getMesh((data + "/" + o.mesh).c_str());
        if (animated == nullptr || animated->getMesh(0) == nullptr) {
            std::fprintf(stderr, "nightdrive-peer-fps: cannot load %s\n", o.mesh);
            return 1;
        }
        scene::IMesh* mesh = animated->getMesh(0);
        mesh->setHardwareMappingHint(scene::EHM_STATIC);
        video::SMaterial m;
        m.Lighting = true;
        m.FogEnable = true;
        m.BackfaceCulling = false;
        m.AmbientColor = video::SColor(255, 255, 255, 255);
        m.DiffuseColor = video::SColor(255, 255, 255, 255);
        m.SpecularColor = video::SColor(255, 255, 255, 255);
        m.EmissiveColor = video::SColor(255, 13, 13, 13);
        m.Shininess = 20;
        m.setTexture(0, driver->getTexture((data + "/bitmap/" + o.texture).c_str()));
        m.TextureLayer[0].BilinearFilter = false;
        m.TextureLayer[0].TrilinearFilter = false;
        objects.push_back({mesh, m, Translation(o.x, 0, o.z)});
    }

    driver->setFog(video::SColor(255, 0, 0, 10), video::EFT_FOG_LINEAR, 400, 700, 0, false, false);
    driver->setAmbientLight(video::SColorf(0, 0, 0, 1));
    const video::SLight lights[] = {
        PointLight(-10, 33, -500, 500, 0.9f), PointLight(-10, 33, -100, 500, 0.9f), PointLight(-10, 33, 300, 500, 0.9f),
        PointLight(-45, 5, -540, 150, 1.0f),  PointLight(-85, 5, -840, 150, 1.0f),
    };
    core::matrix4 projection;
    // The filled screen's aspect: its shape over 4:3 (exactly 1 at the menu's sizes).
    const auto aspect = static_cast<f32>((static_cast<double>(width) / height) / (4.0 / 3.0));
    projection.buildProjectionMatrixPerspectiveFovLH(1.0471976f, aspect, 1.0f, 800.0f);
    const core::matrix4 view = StartView();

    if (sceneManager) {
        for (const Loaded& o : objects) {
            scene::IMeshSceneNode* node =
                scene->addMeshSceneNode(o.mesh, nullptr, -1, o.world.getTranslation());
            for (u32 i = 0; i < node->getMaterialCount(); ++i) node->getMaterial(i) = o.material;
        }
        for (const auto& l : lights) {
            scene::ILightSceneNode* node = scene->addLightSceneNode(nullptr, l.Position);
            node->setLightData(l);
        }
        // The start view: eye at (-160, 35, 120), looking along (-sin 3.5, 0, cos 3.5).
        const core::vector3df eye(-160, 35, 120);
        scene::ICameraSceneNode* camera =
            scene->addCameraSceneNode(nullptr, eye, eye + core::vector3df(-std::sin(3.5f), 0, std::cos(3.5f)));
        camera->setProjectionMatrix(projection, false);
        scene->setAmbientLight(video::SColorf(0, 0, 0, 1));
    }

    using Clock = std::chrono::steady_clock;
    std::vector<double> frameMs;
    auto last = Clock::now();
    for (int frame = 0; frame < frames && device->run(); ++frame) {
        driver->beginScene(true, true, video::SColor(255, 0, 0, 10));
        if (sceneManager) {
            scene->drawAll();
        } else {
            driver->setTransform(video::ETS_PROJECTION, projection);
            driver->setTransform(video::ETS_VIEW, view);
            driver->deleteAllDynamicLights();
            for (const auto& l : lights) driver->addDynamicLight(l);
            for (const Loaded& o : objects) {
                driver->setTransform(video::ETS_WORLD, o.world);
                driver->setMaterial(o.material);
                for (u32 b = 0; b < o.mesh->getMeshBufferCount(); ++b) driver->drawMeshBuffer(o.mesh->getMeshBuffer(b));
            }
        }
        driver->endScene();
        const auto now = Clock::now();
        if (frame > 0) frameMs.push_back(std::chrono::duration<double, std::milli>(now - last).count());
        last = now;
    }
    device->drop();
    std::sort(frameMs.begin(), frameMs.end());
    const double p50 = frameMs.empty() ? 0 : frameMs[frameMs.size() / 2];
    std::printf("{\"fps\":%.1f,\"frame_ms_p50\":%.3f}\n", p50 > 0 ? 1000.0 / p50 : 0.0, p50);
    return 0;
}
