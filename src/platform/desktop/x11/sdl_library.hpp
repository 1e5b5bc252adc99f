#pragma once

#include <SDL2/SDL.h>
#include <SDL2/SDL_syswm.h>

#include <memory>
#include <string>
#include <variant>

#include "platform/foundation/shared_library.hpp"

// The SDL functions the live window uses, as (member, symbol) pairs.
#define SONARIS_SDL_FUNCTIONS(F)                        \
    F(setHint, SDL_SetHint)                             \
    F(initSubSystem, SDL_InitSubSystem)                 \
    F(quit, SDL_Quit)                                   \
    F(getError, SDL_GetError)                           \
    F(createWindow, SDL_CreateWindow)                   \
    F(destroyWindow, SDL_DestroyWindow)                 \
    F(showWindow, SDL_ShowWindow)                       \
    F(setWindowSize, SDL_SetWindowSize)                 \
    F(setWindowPosition, SDL_SetWindowPosition)         \
    F(eventState, SDL_EventState)                       \
    F(getWindowSize, SDL_GetWindowSize)                 \
    F(getWindowWMInfo, SDL_GetWindowWMInfo)             \
    F(createRenderer, SDL_CreateRenderer)               \
    F(destroyRenderer, SDL_DestroyRenderer)             \
    F(getRendererOutputSize, SDL_GetRendererOutputSize) \
    F(setRenderDrawColor, SDL_SetRenderDrawColor)       \
    F(renderClear, SDL_RenderClear)                     \
    F(renderCopy, SDL_RenderCopy)                       \
    F(renderPresent, SDL_RenderPresent)                 \
    F(createTexture, SDL_CreateTexture)                 \
    F(destroyTexture, SDL_DestroyTexture)               \
    F(setTextureBlendMode, SDL_SetTextureBlendMode)     \
    F(updateTexture, SDL_UpdateTexture)                 \
    F(registerEvents, SDL_RegisterEvents)               \
    F(pushEvent, SDL_PushEvent)                         \
    F(waitEvent, SDL_WaitEvent)

namespace sonaris::platform::desktop::x11 {

// SDL, loaded when the live widget starts rather than linked: linked, it and what it pulls in
// (sound servers, D-Bus, ...) would be mapped into every command, megabytes of pages that only
// the window needs.
class SdlLibrary {
  public:
    // A one-line reason when the library or one of its functions cannot be found.
    static std::variant<std::unique_ptr<SdlLibrary>, std::string> load();

#define SONARIS_SDL_MEMBER(member, symbol) decltype(&::symbol) member = nullptr;
    SONARIS_SDL_FUNCTIONS(SONARIS_SDL_MEMBER)
#undef SONARIS_SDL_MEMBER

  private:
    explicit SdlLibrary(foundation::SharedLibrary library) : library_(std::move(library)) {}
    foundation::SharedLibrary library_;
};

}  // namespace sonaris::platform::desktop::x11
