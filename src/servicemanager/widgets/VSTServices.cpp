// The service tree widget.
