// The posting animation: 26 short text-art scenes, a picture and a caption
// rewritten on every tick of the posting window. Each window keeps its own
// state; nothing here is shared between windows.
#pragma once
#include <cstddef>
#include <cstdint>

namespace kv {

inline constexpr int32_t kAnimationCount = 26;
inline constexpr size_t kCaptionMax = 96;         // bytes a caption may hold
inline constexpr size_t kCaptionRestartAt = 90;   // a caption this long starts afresh
inline constexpr size_t kPictureMax = 511;

struct AnimationState {
  int32_t number;                   // 0-25
  int32_t steps[kAnimationCount];   // the step of each animation
  int32_t branch;                   // a random choice some animations keep
  uint32_t random;                  // generator state
  char picture[kPictureMax + 1];
  char caption[kCaptionMax + 1];
};

// Starts an animation: the one requested, or (requested -1) uptime modulo
// 26; its step goes back to 0. seed starts the random choices.
void AnimateStart(AnimationState& a, int32_t requested, uint32_t uptimeMs, uint32_t seed);
// Draws the current step of the current animation into picture and
// caption, then counts the step.
void AnimateStep(AnimationState& a);

// The preview's nonsense sentence: one piece per tick of a five-tick cycle
// (opening; names; place; action; nothing), appended to text (cap bytes,
// replaced at tick 0).
void PreviewSentenceStep(int32_t tick, uint32_t* random, char* text, size_t cap);

}  // namespace kv
