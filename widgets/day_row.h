#pragma once
// A row of the day list or of the reminder list: one event as it falls on
// one day. The day list builds the rows from the store (UpDateTdList), the
// list control shows them and the reminder timer reads them; an event is
// found again from its row by the identity (CreationDate, Subject).
//
// A row holds only what those three read, so a day's list costs a few small
// strings rather than a copy of every stored field.
#include <cstdint>
#include <string>
#include <vector>

#include "events/date_time.h"
#include "events/todo_item.h"

struct TDayRow {
    std::string Subject;          // the event's name; with CreationDate its identity
    std::string StartText;        // what the "Старт" column says, written when the row was made
    TDateTime CreationDate = 0;   // the event's start
    TDateTime CompletionDate = 0; // the event's end; 0 = none
    TDateTime Moment = 0;         // occurrence (day list) or reminder moment (reminder list)
    TRepetition Repetition;       // the event's count, unit and mask
    int32_t ImageIndex = -1;      // the event's reminder choice 0..9
    EventKind Kind = EventKind::Simple;  // the rule that put the event on the day
    bool Complete = false;
};
using TDayRows = std::vector<TDayRow>;

// The row field a list column shows.
enum class TodoData {
    tdSubject = 0, tdCompletion, tdNotes, tdPriority, tdDueDate, tdStatus, tdImage,
    tdComplete, tdTotalTime, tdCompletionDate, tdCreationDate, tdResource, tdHandle,
    tdProject, tdCategory
};

enum class TSortDirection { sdAscending, sdDescending };

// Compare of two rows under a column's field: <0, 0, >0. tdDueDate is the
// row's moment; the start text and the fields a row does not carry compare
// equal.
int CompareRows(const TDayRow& a, const TDayRow& b, TodoData field);

// Orders by the field with its compare; rows that compare equal keep their
// relative order. Returns the new position of the row that was at keepIndex
// (-1 in, -1 out), so a selection can follow its row.
int SortRows(TDayRows& rows, TodoData field, TSortDirection direction, int keepIndex = -1);
