// The immediate-mode widget table: registration, update, drawing.
// The caller rebuilds the list every frame in the same order; a widget is
// known across frames only by its slot, which keeps `activated` and
// `wasActivated` through the rebuild.
#pragma once
#include <cstddef>
#include <cstdint>
#include <type_traits>

constexpr int WIDGET_SLOTS = 256;
constexpr int WIDGET_TEXT_SIZE = 64;  // label with its NUL: at most 63 characters

// Widget kinds (Widget::kind).
constexpr int32_t WIDGET_PLAIN = 0;
constexpr int32_t WIDGET_TEXT_ENTRY = 1;
constexpr int32_t WIDGET_TOGGLE = 2;
constexpr int32_t WIDGET_RADIO = 3;

// Display states (Widget::state).
constexpr int32_t STATE_DISABLED = 0;
constexpr int32_t STATE_NORMAL = 1;
constexpr int32_t STATE_HOVER = 2;
constexpr int32_t STATE_LIT = 3;

// AttachBehaviour kinds.
constexpr int32_t BEHAVIOUR_HOTKEY = 1;
constexpr int32_t BEHAVIOUR_STATE = 2;
constexpr int32_t BEHAVIOUR_INT_ENTRY = 3;
constexpr int32_t BEHAVIOUR_UINT_ENTRY = 4;
constexpr int32_t BEHAVIOUR_FLOAT_ENTRY = 5;
constexpr int32_t BEHAVIOUR_STRING_ENTRY = 6;
constexpr int32_t BEHAVIOUR_ACTION = 7;
constexpr int32_t BEHAVIOUR_TOGGLE = 8;
constexpr int32_t BEHAVIOUR_RADIO = 9;
constexpr int32_t BEHAVIOUR_REPEAT = 10;

// Text-entry target types (Widget::editType).
constexpr int32_t EDIT_INT = 0;
constexpr int32_t EDIT_UINT = 1;
constexpr int32_t EDIT_FLOAT = 2;
constexpr int32_t EDIT_STRING = 3;

typedef void (*WidgetAction)();

struct Widget {
    char text[WIDGET_TEXT_SIZE];  // label, NUL-terminated
    int32_t x;                    // left edge, 0..65535 once stored
    int32_t y;                    // top edge, 0..65535 once stored
    int32_t size;                 // character cell size
    float r, g, b;                // full colour
    int32_t kind;                 // WIDGET_PLAIN .. WIDGET_RADIO
    int32_t width;                // box width in cells (label length)
    int32_t height;               // box height in cells (1 label, 2 text entry, 0 empty)
    int32_t hotkey;               // SDL key code, 0 none
    int32_t repeat;               // hotkey fires every frame while held
    int32_t state;                // STATE_DISABLED .. STATE_LIT
    int32_t wasActivated;         // activated at the end of the previous update
    int32_t activated;            // clicked / hotkey / being edited
    int32_t radioValue;
    int32_t editType;     // EDIT_INT .. EDIT_STRING
    void* target;         // variable the behaviour reads and writes, or null
    WidgetAction action;  // run by the update while activated, or null
    // Kept by AddWidget like the activation: a string field's edit state.
    void* editTarget;   // the target measured when the edit started
    int32_t editLimit;  // longest text that target takes during the edit
};

struct WidgetTable {
    Widget widgets[WIDGET_SLOTS];
    int32_t count;       // widgets registered this frame
    int32_t current;     // widget whose action is running
    int32_t captured;    // a text entry was being edited at the end of the last update
    int32_t addDropped;  // the last add found every slot taken: behaviours attach to nothing
};

extern WidgetTable widgetTable;

// Appends a plain label in slot `count` (alignment flags applied, label cut
// to 63 characters). Ignored once all 256 slots are taken.
void AddWidget(const char* text, int32_t x, int32_t y, int32_t size, float r, float g, float b);

// The value given to AttachBehaviour, as bits: a key code or state, a
// variable's address or a function. Any integer or enum, any pointer to a
// writable object, a WidgetAction or nullptr converts to it, so one call form
// serves every kind; anything else (a float, a pointer to const, another type
// of function) does not compile. The kind alone decides how the bits are read.
struct BehaviourValue {
    intptr_t bits;

    template <typename T,
              typename std::enable_if<std::is_integral<T>::value || std::is_enum<T>::value,
                                      int>::type = 0>
    BehaviourValue(T value) : bits(intptr_t(value)) {
    }
    template <typename T,
              typename std::enable_if<!std::is_function<T>::value && !std::is_const<T>::value,
                                      int>::type = 0>
    BehaviourValue(T* address) : bits(reinterpret_cast<intptr_t>(address)) {
    }
    BehaviourValue(WidgetAction action) : bits(reinterpret_cast<intptr_t>(action)) {
    }
    BehaviourValue(std::nullptr_t) : bits(0) {
    }
};

// Changes the widget added last; ignored while count is 0 or after an add that
// found the table full. Kinds 1 and 2 take the value's low 32 bits as a key
// code or state, kinds 3..6, 8 and 9 take it as the target's address, kind 7
// as the action, kind 10 ignores it; `extra` is kind 9's radio value. So
// AttachBehaviour(BEHAVIOUR_TOGGLE, &flag), the same with (intptr_t)&flag, and
// AttachBehaviour(BEHAVIOUR_STATE, 0) all do what they say. Other kinds change
// nothing.
void AttachBehaviour(int32_t kind, BehaviourValue value, int32_t extra = 0);

// Appends a disabled widget with no label and an empty box. Ignored once all
// 256 slots are taken.
void AddEmptyWidget();

// activated and wasActivated := 0 in all 256 slots.
void ClearWidgetPresses();

// The toggle and radio actions: flip bit 0 of / store radioValue into the
// int32 at `target` of widget `current`.
void ToggleAction();
void RadioAction();

// The four passes: release, hover/click/hotkey/lit, actions, capture.
void UpdateWidgets();

// Draws every widget through the text printer: label in its state brightness
// with the hotkey letter picked out, text-entry fields under their labels.
void DrawWidgets();

// Zeroes the whole table (tests).
void ResetWidgetTable();
