// Asks the media player control itself, without the library, for each call
// the player's creation makes of it, in the same order. The first call it
// refuses is where creation must stop, with that call's status; when it
// refuses none, creation must succeed. The calls after a refusal are asked
// too, where the objects they need were given, to show what else the
// control would refuse.
#pragma once

#include <windows.h>

#include <vector>

struct ControlAnswer {
  const char *call;
  HRESULT status;
  bool counts; // false for a call whose status the creation ignores
};

class ControlAnswers {
public:
  // Runs the calls on a control of its own and releases it; returns the
  // status the creation of a player must end with.
  HRESULT Ask();
  // Every call made, in order.
  const std::vector<ControlAnswer> &Answers() const { return answers; }
  // The index in Answers() of the first refusal that stops the creation,
  // or Answers().size() when there is none.
  size_t FirstRefusal() const;

private:
  // Records a call and passes its status on.
  HRESULT Answered(const char *call, HRESULT status);
  // Records a call whose status does not stop the creation.
  void Noted(const char *call, HRESULT status);
  HRESULT Expected() const;

  std::vector<ControlAnswer> answers;
};
