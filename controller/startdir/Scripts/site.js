// Nothing runs on the pages yet; the file shows where scripts come from.
var quaverhouse = { site: "sample" };
