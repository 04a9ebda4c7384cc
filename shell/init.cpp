// One-time initialisation: libraries, fixed GL state, option defaults, every
// picture of the screens, the title music and the sky. Runs once the game
// window's context exists and before the first frame.
#include <GL/glew.h>
#include <IL/il.h>
#include <IL/ilu.h>
#include <IL/ilut.h>

#include <cstring>

#include "audio/audio.h"
#include "physics/physics.h"
#include "platform/platform.h"
#include "race/race.h"
#include "render/model.h"
#include "render/render.h"
#include "shell/game.h"
#include "ui/ui.h"

namespace {

// GL_MULTISAMPLE_FILTER_HINT_NV: only drivers that name the extension know it;
// the others would raise an error, which a GL debug log shows on every start.
const GLenum kMultisampleFilterHint = 0x8534;

void startImageLibrary() {
  ilInit();
  iluInit();
  ilutRenderer(ILUT_OPENGL);
  ilutEnable(ILUT_OPENGL_CONV);
}

// A software rasterizer (no graphics card) takes every anisotropic sample on
// the CPU: at its maximum level a race frame lasts tens of seconds instead of a
// fraction of one.
bool softwareRenderer() {
  const char* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
  if (!renderer) return false;
  for (const char* name : {"llvmpipe", "softpipe", "Software Rasterizer", "swrast"}) {
    if (std::strstr(renderer, name)) return true;
  }
  return false;
}

// Every model gets the driver's maximum, so anisotropy mode 1 means the same
// level whichever model the player looks at; a software rasterizer gets plain
// filtering, for every model alike.
void setMaxAnisotropy() {
  GLfloat maxAnisotropy = 1.0f;
  glGetFloatv(GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT, &maxAnisotropy);
  if (softwareRenderer()) maxAnisotropy = 1.0f;
  for (Model* model : {&gWorld.track, &gSkyModel, &gCarModel, &gWheelModel, &gWorld.house,
                       &gWorld.palm, &gWorld.palm2, &gWorld.palmFar, &gWorld.palm2Far, &gWorld.bush,
                       &gWorld.trackCollide}) {
    model->maxAnisotropy = maxAnisotropy;
  }
}

void setBaseState() {
  glShadeModel(GL_SMOOTH);
  glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
  glClearDepth(1.0);
  glEnable(GL_TEXTURE_2D);
}

void setFog() {
  static const GLfloat fogcol[4] = {0.6f, 0.8f, 1.0f, 1.0f};
  glEnable(GL_FOG);
  glFogi(GL_FOG_MODE, GL_LINEAR);
  glFogf(GL_FOG_START, 1000.0f);
  glFogf(GL_FOG_END, 30000.0f);
  glFogfv(GL_FOG_COLOR, fogcol);
}

void setDefaultOptions() {
  gWireframe = 0;
  gTexFiltering = 1;
  gMipmapping = 1;
  gRenderPath = 0;
  gDisplayLists = 0;
  gFrustumCulling = 1;
  gBlendOverride = 0;
  gAnisotropic = 1;
  for (Model* model : {&gWorld.track, &gSkyModel, &gWheelModel}) {
    model->linearFiltering = 1;
    model->mipmapping = 1;
    model->anisotropyMode = 1;
  }
  for (Model* model : {&gSkyModel, &gWorld.track, &gCarModel, &gWorld.palm, &gWorld.palm2, &gWorld.palmFar,
                       &gWorld.palm2Far, &gWorld.bush, &gWorld.house}) {
    model->useDisplayLists = 0;
  }
}

// Given while the modelview matrix is still the identity: the light keeps its
// place relative to the viewer in every frame.
void setLight() {
  static const GLfloat ambient[4] = {0.2f, 0.2f, 0.2f, 1.0f};
  static const GLfloat diffuse[4] = {0.5f, 0.5f, 0.5f, 1.0f};
  static const GLfloat specular[4] = {0.5f, 0.5f, 0.5f, 1.0f};
  static const GLfloat position[4] = {-10000.0f, 5000.0f, 10000.0f, 1.0f};
  glLightfv(GL_LIGHT1, GL_AMBIENT, ambient);
  glLightfv(GL_LIGHT1, GL_DIFFUSE, diffuse);
  glLightfv(GL_LIGHT1, GL_SPECULAR, specular);
  glLightfv(GL_LIGHT1, GL_POSITION, position);
  glEnable(GL_LIGHTING);
  glEnable(GL_LIGHT1);
}

void setDepthBlendAndHints() {
  glEnable(GL_CULL_FACE);
  glDepthFunc(GL_LEQUAL);
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
  if (glewIsSupported("GL_NV_multisample_filter_hint")) glHint(kMultisampleFilterHint, GL_NICEST);
  while (glGetError() != GL_NO_ERROR) {
  }
}

}  // namespace

void loadHighScoreTextures() {
  gHighScoreScreen.texBackground = loadPicture("Data/Textures/HighScoreBackground.tga");
  gHighScoreScreen.texFont = loadPicture("Data/Textures/Characters.tga");
  gHighScoreScreen.texPrompts = loadPicture("Data/Textures/HighScorePrompts.tga");
}

void loadTitleScreen() {
  gMusicSample = FSOUND_Sample_Load(kMusicChannel, kTitleMusicFile, FSOUND_LOOP_NORMAL, 0, 0);
  FSOUND_PlaySound(kMusicChannel, gMusicSample);
  setMusicVolume(FSOUND_MAX_VOLUME);
  gTitle.texLoading = loadPicture("Data/Textures/Loading.tga");
  gTitle.texMenuStart = loadPicture("Data/Textures/Menue01.tga");
  gTitle.texMenuHighScores = loadPicture("Data/Textures/Menue02.tga");
  gTitle.texMenuOptions = loadPicture("Data/Textures/Menue03.tga");
  gTitle.texMenuExit = loadPicture("Data/Textures/Menue04.tga");
  loadOptionsTextures();
}

void initGame() {
  ShowCursor(false);
  // Everything after this may call extension functions through GLEW.
  initGlEntryPoints();
  startImageLibrary();
  QueryPerformanceFrequency(&gPerfFrequency);
  setMaxAnisotropy();
  FSOUND_Init(44100, 32, 0);
  gTypeSample = FSOUND_Sample_Load(kTypeChannel, "Data/Sound/Type.wav", FSOUND_LOOP_OFF, 0, 0);
  readHighScores();
  startControls();
  gEngineSample =
      FSOUND_Sample_Load(kEngineChannel, "Data/Sound/Carsound.ogg", FSOUND_LOOP_NORMAL, 0, 0);
  setBaseState();
  setFog();
  setDefaultOptions();
  gShowFrameRate = gFrameRateAlwaysOn ? 1 : 0;
  gMaxSteerAngle = 3.1415927f / 6.0f;
  loadHighScoreTextures();
  gTitle.active = true;
  gTitle.inputReady = false;
  loadTitleScreen();
  gHudFarPlane = gViewDistance;
  loadHudTextures();
  gCountdownLength = kGameCountdown;
  setLight();
  // The cube map must exist before the framebuffer set-up checks a face of it.
  loadReflectionCubeMap();
  loadExtensionEntryPoints();
  gCameraDistance = 250.0f;
  gCameraHeight = 50.0f;
  gCameraSide = 0.0f;
  setDepthBlendAndHints();
  gSkyModel.load("Data/Models/Sky.wrl");
  // Read last, so the title's fade-in does not lose the time spent loading.
  QueryPerformanceCounter(&gLastCounter);
  QueryPerformanceCounter(&gTitle.shownSince);
}
