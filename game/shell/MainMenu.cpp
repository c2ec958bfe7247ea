#include "game/shell/MainMenu.h"

#include "core/DebugConsole.h"
#include "graphics/Device.h"
#include "graphics/Texture.h"
#include "platform/win32/Windows.h"
#include "scene/SpriteMaterials.h"
#include "sound/ReverbPresets.h"
#include "sound/SoundSystem.h"

namespace {

const float kBandTop[3] = {0.375f, 0.541667f, 0.708333f};
const float kBandBottom[3] = {0.5f, 0.666667f, 0.833333f};
constexpr KOR::Colour kSelected{1, 1, 1, 1}, kOther{0.65f, 0.65f, 0.65f, 1};

double CounterSeconds() {
  LARGE_INTEGER frequency{}, now{};
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&now);
  return frequency.QuadPart > 0 ? double(now.QuadPart) / double(frequency.QuadPart) : 0.0;
}

}  // namespace

MainMenu::MainMenu(KOR::Device* device, KOR::SoundSystem* sound, float aspect, const InputMap& input)
    : clock(CounterSeconds), device(device), sound(sound), overlays(device, 64, aspect), input(input) {
  AddOverlay(title, "assets/menu_tittle.kor.texture", 0.13875f, 0.063333f, 0.84875f, 0.243333f, 0);
  AddOverlay(playItem, "assets/menu_play.kor.texture", 0.32f, 0.391667f, 0.63875f, 0.513333f, 0);
  AddOverlay(highItem, "assets/menu_high.kor.texture", 0.32f, 0.558333f, 0.63875f, 0.683333f, 0);
  AddOverlay(exitItem, "assets/menu_exit.kor.texture", 0.32f, 0.725f, 0.63875f, 0.846667f, 0);
  AddOverlay(border, "assets/menu_border.kor.texture", 0, 0, 1, 1, 1);
  AddOverlay(bar, "assets/menu_bar.kor.texture", 0, kBandTop[0], 1, kBandBottom[0], 0);
  AddOverlay(blackout, nullptr, 0, 0, 1, 1, 2);
  blackout.colour = {0, 0, 0, 1};
  text.x = 0.15f, text.y = 0.391667f, text.charSize = 0.04f, text.spacing = -0.25f, text.layer = 0;
  auto font = std::make_unique<KOR::TextureObject>();
  font->LoadFile("assets/text.kor.texture");
  auto fontState = std::make_unique<KOR::RenderPass>();
  if (device) KOR::MakeSpriteState(*fontState, font->GetTexture(), KOR::SpriteBlend::Alpha);
  text.material = fontState.get();
  textures.push_back(std::move(font));
  materials.push_back(std::move(fontState));
  if (sound) {
    moveSound.Load(*sound, "assets/choice1.wav", false);
    selectSound.Load(*sound, "assets/choice2.wav", false);
    music.Open("assets/menu.mp3");
    music.SetLoop(true);
  }
}

MainMenu::~MainMenu() {
  text.Clear();
  musicChannel.Stop();
}

void MainMenu::AddOverlay(KOR::ScreenOverlay& overlay, const char* texture, float x0, float y0, float x1, float y1,
                          int32_t layer) {
  auto state = std::make_unique<KOR::RenderPass>();
  KOR::DeviceObject* made = nullptr;
  if (texture) {
    auto loaded = std::make_unique<KOR::TextureObject>();
    loaded->LoadFile(texture);
    made = loaded->GetTexture();
    textures.push_back(std::move(loaded));
  }
  if (device) KOR::MakeSpriteState(*state, made, KOR::SpriteBlend::Alpha);
  overlay.material = state.get();
  materials.push_back(std::move(state));
  overlay.SetRect(x0, y0, x1, y1);
  overlay.layer = layer;
  overlays.Add(&overlay);
}

void MainMenu::LoadHighScores() {
  table.Load();
  userScores.MergeInto(table);
}

void MainMenu::SubmitScore(const std::string& name, int32_t score) {
  table.Submit(name, score);
  userScores.Save(table);
}

void MainMenu::Play(KOR::SoundSample& sample, KOR::SoundChannel& channel) {
  if (sound) channel = sample.Play();
}

void MainMenu::ShowSelection() {
  KOR::ScreenOverlay* items[3] = {&playItem, &highItem, &exitItem};
  for (int i = 0; i < 3; ++i) items[i]->colour = i == selection ? kSelected : kOther;
  bar.SetRect(0, kBandTop[selection], 1, kBandBottom[selection]);
}

void MainMenu::DrawFrame() {
  if (device) {
    device->Clear(true, true, false, 0, 0, 0, 1);
    device->BeginFrame();
    overlays.Draw();
    device->EndFrame();
    device->Present();
  }
  if (sound) sound->Update();
}

bool MainMenu::Run() {
  if (KOR::debugConsole) KOR::debugConsole->Print(" - Entered\n");
  if (sound) {
    sound->SetReverb(KOR::kAuditoriumReverb);
    musicChannel = music.Play();
    musicChannel.SetVolume(0.6f);
  }
  musicVolume = 0.6f;
  ShowSelection();
  blackout.colour = {0, 0, 0, 1};
  blackoutAlpha = 1.0f;
  DrawFrame();
  // A fresh reading each time: after a game the fade starts from now, not from the last menu.
  double previous = clock();
  bool result = false, leaving = false;
  double fade = 0.0;
  for (;;) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        result = false, leaving = true, fade = 0.0;
      } else if (msg.message == WM_KEYDOWN) {
        switch (input.MenuActionOf(msg)) {
          case MenuAction::Back: result = false, leaving = true, fade = 0.0; break;
          case MenuAction::Up:
            --selection;
            Play(moveSound, moveChannel);
            break;
          case MenuAction::Down:
            ++selection;
            Play(moveSound, moveChannel);
            break;
          case MenuAction::Select:
            Play(selectSound, selectChannel);
            if (selection == 0) result = true, leaving = true, fade = 0.0;
            else if (selection == 1) HighScoreScreen();
            else result = false, leaving = true, fade = 0.0;
            break;
          case MenuAction::None: break;
        }
        if (selection < 0) selection = 2;
        if (selection > 2) selection = 0;
      }
      DispatchMessageA(&msg);
    }
    ShowSelection();
    DrawFrame();
    double now = clock();
    fade += now - previous;
    previous = now;
    if (!leaving) {
      if (fade < 1.0) blackoutAlpha = float(1.0 - fade);
      else blackoutAlpha = 0.0f;
    } else if (fade < 1.0) {
      blackoutAlpha = float(fade);
      musicVolume = float(1.0 - fade);
      musicChannel.SetVolume(musicVolume);
    } else {
      musicChannel.Stop();
      moveChannel.Stop();
      selectChannel.Stop();
      blackoutAlpha = 1.0f;
      musicVolume = 0.0f;
      return result;
    }
    blackout.colour = {0, 0, 0, blackoutAlpha};
  }
}

void MainMenu::HighScoreScreen() {
  for (KOR::ScreenOverlay* o : {&playItem, &highItem, &exitItem, &bar}) overlays.Remove(o);
  text.text = table.BuildText();
  text.Layout(&overlays);
  showingHighScores = true;
  for (bool open = true; open;) {
    MSG msg;
    while (open && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      // A quit message closes only this screen; what comes after it is the menu's.
      const MenuAction action = input.MenuActionOf(msg);
      if (msg.message == WM_QUIT || action == MenuAction::Back || action == MenuAction::Select)
        open = false;
      else
        DispatchMessageA(&msg);
    }
    DrawFrame();
  }
  showingHighScores = false;
  for (KOR::ScreenOverlay* o : {&playItem, &highItem, &exitItem, &bar}) overlays.Add(o);
  text.Clear();
  Play(moveSound, moveChannel);
}
