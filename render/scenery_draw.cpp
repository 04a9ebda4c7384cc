// The track and the placed scenery with frustum culling, and the switches
// that reach the models' own render settings.
#include <algorithm>
#include <initializer_list>
#include <vector>

#include "race/race.h"
#include "render/model.h"
#include "render/render.h"
#include "shell/game.h"

namespace {

// How each kind of placed object is transformed and bounded. The sphere
// centre sits `lift` above the record's position; houses scale both with the
// record's largest scale factor.
struct PlacedKind {
  Model Scenery::*model;
  const std::vector<Placement>* placements;
  bool rotated;
  float lift;
  float radius;
  bool scaledBounds;
  bool alphaTest;  // false: never alpha-tested
};

}  // namespace

float maxOf3(const Placement& placement) {
  return std::max(placement.scaleX, std::max(placement.scaleY, placement.scaleZ));
}


void Scenery::draw(bool keepMultisample) {
  if (!keepMultisample) {
    glEnable(GL_MULTISAMPLE_ARB);
    glEnable(GL_SAMPLE_ALPHA_TO_COVERAGE_ARB);
  }
  const bool alphaTest = gBlendOverride != 1;
  track.draw(alphaTest, -1, 0);
  const PlacedKind kinds[4] = {
      {&Scenery::palm, &gPalmPlacements, false, 86.0f, 103.0f, false, alphaTest},
      {&Scenery::palm2, &gPalm2Placements, true, 86.0f, 200.0f, false, alphaTest},
      {&Scenery::bush, &gBushPlacements, false, 0.0f, 68.0f, false, alphaTest},
      {&Scenery::house, &gHousePlacements, true, 102.0f, 222.0f, true, false},
  };
  for (const PlacedKind& kind : kinds) {
    const Model& model = this->*kind.model;
    for (const Placement& p : *kind.placements) {
      const float m = kind.scaledBounds ? maxOf3(p) : 1.0f;
      cullCentre[0] = p.x;
      cullCentre[1] = p.y + kind.lift * m;
      cullCentre[2] = p.z;
      if (gFrustumCulling != 0 &&
          !viewFrustum.sphereVisible(cullCentre[0], cullCentre[1], cullCentre[2], kind.radius * m)) {
        continue;
      }
      // Push and pop rather than undo the transform: a record with a zero
      // scale would otherwise leave an infinite matrix for the rest of the view.
      glPushMatrix();
      glTranslatef(p.x, p.y, p.z);
      if (kind.rotated) glRotatef(p.yaw, 0.0f, 1.0f, 0.0f);
      glScalef(p.scaleX, p.scaleY, p.scaleZ);
      model.draw(kind.alphaTest, -1, 0);
      glPopMatrix();
    }
  }
  if (!keepMultisample) {
    glDisable(GL_MULTISAMPLE_ARB);
    glDisable(GL_SAMPLE_ALPHA_TO_COVERAGE_ARB);
  }
}

// ---- Function-key switches into the models they reach ------------------------

namespace {

template <typename Apply>
void forModels(std::initializer_list<Model*> models, Apply apply) {
  for (Model* model : models) apply(*model);
}

}  // namespace

void applyTexFilteringToModels(int value) {
  forModels({&gSkyModel, &gWorld.track, &gWheelModel, &gWorld.house, &gWorld.palm, &gWorld.palm2,
             &gWorld.bush},
            [value](Model& m) { m.linearFiltering = value; });
}

void applyAnisotropyToModels(int value) {
  forModels({&gSkyModel, &gWorld.track, &gWheelModel, &gWorld.house, &gWorld.palm, &gWorld.palm2,
             &gWorld.bush},
            [value](Model& m) { m.anisotropyMode = value; });
}

void applyMipmappingToModels(int value) {
  forModels({&gSkyModel, &gWorld.track, &gWheelModel, &gWorld.house},
            [value](Model& m) { m.mipmapping = value; });
}

void applyRenderPathToModels(int value) {
  forModels({&gSkyModel, &gWorld.track, &gCarModel, &gWorld.house, &gWorld.palm, &gWorld.palm2,
             &gWorld.bush},
            [value](Model& m) { m.renderMode = value; });
}

void applyDisplayListsToModels(int value) {
  forModels({&gSkyModel, &gWorld.track, &gCarModel, &gWorld.house, &gWorld.palm, &gWorld.palm2,
             &gWorld.bush},
            [value](Model& m) { m.useDisplayLists = value; });
}
