#include "ui/widget.h"

#include <cstring>

#include "platform/input.h"
#include "render/text.h"
#include "ui/text_entry.h"

WidgetTable widgetTable;

namespace {

constexpr int32_t LABEL_LIMIT = WIDGET_TEXT_SIZE - 1;

// Number of slots the update and the drawing may visit, whatever `count` holds.
int32_t UsedSlots() {
    int32_t n = widgetTable.count;
    if (n < 0)
        return 0;
    return n > WIDGET_SLOTS ? WIDGET_SLOTS : n;
}

// The next free slot for an add, or null when every slot is taken; records the
// outcome so behaviours never land on an earlier widget after a dropped add.
Widget* ClaimSlot() {
    int32_t n = widgetTable.count;
    widgetTable.addDropped = n < 0 || n >= WIDGET_SLOTS;
    return widgetTable.addDropped ? nullptr : &widgetTable.widgets[n];
}

Widget* LastAddedWidget() {
    int32_t n = widgetTable.count;
    if (widgetTable.addDropped || n <= 0 || n > WIDGET_SLOTS)
        return nullptr;
    return &widgetTable.widgets[n - 1];
}

int32_t LowWord(const BehaviourValue& v) {
    return int32_t(uint32_t(uintptr_t(v.bits)));
}

void* AsAddress(const BehaviourValue& v) {
    return reinterpret_cast<void*>(v.bits);
}

void MakeTextEntry(Widget& w, int32_t editType, void* target) {
    w.kind = WIDGET_TEXT_ENTRY;
    w.editType = editType;
    w.target = target;
    w.action = EditFieldAction;
    w.height = 2;
}

// The one place the ten kinds are interpreted.
void ApplyBehaviour(int32_t kind, const BehaviourValue& v, int32_t extra) {
    Widget* w = LastAddedWidget();
    if (!w)
        return;
    switch (kind) {
        case BEHAVIOUR_HOTKEY:
            w->hotkey = LowWord(v);
            break;
        case BEHAVIOUR_STATE:
            w->state = LowWord(v);
            break;
        case BEHAVIOUR_INT_ENTRY:
            MakeTextEntry(*w, EDIT_INT, AsAddress(v));
            break;
        case BEHAVIOUR_UINT_ENTRY:
            MakeTextEntry(*w, EDIT_UINT, AsAddress(v));
            break;
        case BEHAVIOUR_FLOAT_ENTRY:
            MakeTextEntry(*w, EDIT_FLOAT, AsAddress(v));
            break;
        case BEHAVIOUR_STRING_ENTRY:
            MakeTextEntry(*w, EDIT_STRING, AsAddress(v));
            break;
        case BEHAVIOUR_ACTION:
            w->action = reinterpret_cast<WidgetAction>(v.bits);
            break;
        case BEHAVIOUR_TOGGLE:
            w->kind = WIDGET_TOGGLE;
            w->target = AsAddress(v);
            w->action = ToggleAction;
            break;
        case BEHAVIOUR_RADIO:
            w->kind = WIDGET_RADIO;
            w->target = AsAddress(v);
            w->radioValue = extra;
            w->action = RadioAction;
            break;
        case BEHAVIOUR_REPEAT:
            w->repeat = 1;
            break;
        default:
            break;
    }
}

Widget* CurrentWidget() {
    int32_t i = widgetTable.current;
    if (i < 0 || i >= UsedSlots())
        return nullptr;
    return &widgetTable.widgets[i];
}

int32_t* TargetInt(const Widget& w) {
    return static_cast<int32_t*>(w.target);
}

bool IsClick() {
    return inputState.mouse.leftDown && !inputState.previousMouse.leftDown;
}

bool IsMouseOver(const Widget& w) {
    int64_t mx = inputState.mouse.x;
    int64_t my = inputState.mouse.y;
    int64_t right = int64_t(w.x) + int64_t(w.width) * w.size;
    int64_t bottom = int64_t(w.y) + int64_t(w.height) * w.size;
    return mx >= w.x && mx < right && my >= w.y && my < bottom;
}

// Key code 0 is "no hotkey" by definition, not by trusting entry 0 of the
// key array; codes outside the arrays read as up.
bool IsHotkeyEdge(const Widget& w) {
    if (w.hotkey == 0 || !IsKeyDown(w.hotkey))
        return false;
    return w.repeat || !WasKeyDown(w.hotkey);
}

bool IsLit(const Widget& w) {
    if (w.activated)
        return true;
    int32_t* target = TargetInt(w);
    if (!target)
        return false;
    if (w.kind == WIDGET_TOGGLE)
        return *target != 0;
    if (w.kind == WIDGET_RADIO)
        return *target == w.radioValue;
    return false;
}

void ReleaseActivations(int32_t n, bool click) {
    for (int32_t i = 0; i < n; i++) {
        Widget& w = widgetTable.widgets[i];
        if (click || w.repeat)
            w.activated = 0;
    }
}

void UpdateHoverAndState(int32_t n, bool click) {
    for (int32_t i = 0; i < n; i++) {
        Widget& w = widgetTable.widgets[i];
        if (w.state == STATE_DISABLED)
            continue;
        w.state = STATE_NORMAL;
        if (IsMouseOver(w)) {
            w.state = STATE_HOVER;
            if (click)
                w.activated = 1;
        }
        if (!widgetTable.captured && IsHotkeyEdge(w))
            w.activated = 1;
        if (IsLit(w))
            w.state = STATE_LIT;
    }
}

// `current` itself is the loop counter, so a running action finds its widget
// through it and sees the fields of higher slots as earlier actions left them.
void RunActions(int32_t n) {
    for (widgetTable.current = 0; widgetTable.current < n; widgetTable.current++) {
        Widget& w = widgetTable.widgets[widgetTable.current];
        if (w.activated && w.action)
            w.action();
        if (w.kind != WIDGET_TEXT_ENTRY && w.action)
            w.activated = 0;
        w.wasActivated = w.activated;
    }
}

void UpdateCapture(int32_t n) {
    widgetTable.captured = 0;
    for (int32_t i = 0; i < n; i++) {
        const Widget& w = widgetTable.widgets[i];
        if (w.activated && w.kind == WIDGET_TEXT_ENTRY)
            widgetTable.captured = 1;
    }
}

}  // namespace

void AddWidget(const char* text, int32_t x, int32_t y, int32_t size, float r, float g, float b) {
    Widget* w = ClaimSlot();
    if (!w)
        return;
    int32_t n = text ? int32_t(strnlen(text, LABEL_LIMIT)) : 0;
    if (n > 0)
        std::memcpy(w->text, text, size_t(n));
    w->text[n] = '\0';
    // Labels align exactly as the printer aligns a line of n characters.
    w->x = AlignCoordinateX(x, n, size);
    w->y = AlignCoordinateY(y, size);
    w->size = size;
    w->r = r;
    w->g = g;
    w->b = b;
    w->kind = WIDGET_PLAIN;
    w->width = n;
    w->height = 1;
    w->hotkey = 0;
    w->repeat = 0;
    w->state = STATE_NORMAL;
    w->radioValue = 0;
    w->editType = EDIT_INT;
    w->target = nullptr;
    w->action = nullptr;
    widgetTable.count++;
}

void AttachBehaviour(int32_t kind, BehaviourValue value, int32_t extra) {
    ApplyBehaviour(kind, value, extra);
}

void AddEmptyWidget() {
    Widget* w = ClaimSlot();
    if (!w)
        return;
    int32_t repeat = w->repeat;
    int32_t activated = w->activated;
    int32_t wasActivated = w->wasActivated;
    *w = Widget{};
    w->repeat = repeat;
    w->activated = activated;
    w->wasActivated = wasActivated;
    widgetTable.count++;
}

void ClearWidgetPresses() {
    for (Widget& w : widgetTable.widgets) {
        w.activated = 0;
        w.wasActivated = 0;
    }
}

void ToggleAction() {
    Widget* w = CurrentWidget();
    if (w && TargetInt(*w))
        *TargetInt(*w) ^= 1;
}

void RadioAction() {
    Widget* w = CurrentWidget();
    if (w && TargetInt(*w))
        *TargetInt(*w) = w->radioValue;
}

void UpdateWidgets() {
    int32_t n = UsedSlots();
    bool click = IsClick();
    ReleaseActivations(n, click);
    UpdateHoverAndState(n, click);
    RunActions(n);
    UpdateCapture(n);
}

void ResetWidgetTable() {
    std::memset(&widgetTable, 0, sizeof widgetTable);
}
