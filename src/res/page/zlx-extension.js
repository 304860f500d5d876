/*
 * Extension of Chart.js 1.0.2 for the report chart page. Appended after the unmodified library
 * in ZLXChart.js; it only adds to the library's objects and changes none of its lines.
 *
 * Two options of the line and the bar chart:
 *   scaleShowValue     when true, the value of every point is drawn above it, and the value of
 *                      every bar 8 pixels above the bar.
 *   scaleStepGridLines draw only every n-th grid line (1: every line). The axes, the tick marks
 *                      and the scale labels are always drawn.
 *
 * The x labels stay horizontal: where they do not all fit, only every n-th is drawn (the
 * scale's xLabelStep, the least step of labelSteps that leaves a gap between neighbours), so
 * that they never overlap. Values drawn with scaleShowValue are kept inside the
 * drawing area: right of the y axis, left of the canvas's right edge, below its top.
 */
(function () {
	"use strict";

	var root = this,
		Chart = root.Chart,
		helpers = Chart.helpers;

	// Options of both chart types, with the values that leave the library's look unchanged.
	var extraDefaults = {
		scaleShowValue: false,
		scaleStepGridLines: 1
	};
	helpers.extend(Chart.defaults.Line, extraDefaults);
	helpers.extend(Chart.defaults.Bar, extraDefaults);

	// The label steps tried, least first, for `count` labels. A day of periods shorter than an
	// hour (48, 96, 288 labels) steps within the hour by its divisors, then by whole hours, so
	// that the labels drawn are hours; other counts take 1, 2, 3, 4, 6, 8, 12, 16, 24. No step
	// is more than twice the one before.
	function labelSteps(count) {
		var perHour = (count > 24 && count % 24 === 0) ? count / 24 : 1,
			steps = [],
			hours = [1, 2, 3, 4, 6, 8, 12, 16, 24],
			i;
		for (i = 1; i < perHour; ++i) {
			if (perHour % i === 0) {
				steps.push(i);
			}
		}
		for (i = 0; i < hours.length; ++i) {
			steps.push(hours[i] * perHour);
		}
		return steps;
	}

	// The least step n for which n slots of `slot` pixels hold a label `needed` wide.
	function labelStep(needed, slot, count) {
		var steps = labelSteps(count),
			n;
		if (!(slot > 0)) {
			return 1;
		}
		for (var i = 0; i < steps.length; ++i) {
			if (steps[i] * slot >= needed) {
				return steps[i];
			}
		}
		n = steps[steps.length - 1];
		while (n * slot < needed) {
			n *= 2;
		}
		return n;
	}

	// The distance between neighbouring x positions, as calculateX spaces them.
	function xSlot(scale) {
		var inner = scale.width - (scale.xScalePaddingLeft + scale.xScalePaddingRight);
		return inner / Math.max(scale.valuesCount - (scale.offsetGridLines ? 0 : 1), 1);
	}
	Chart.helpers.zlxXSlot = xSlot;

	// Replaces the library's rotation of crowded x labels: the labels stay horizontal and the
	// scale draws every xLabelStep-th of them.
	Chart.Scale.prototype.calculateXLabelRotation = function () {
		var count = this.xLabels.length,
			firstWidth,
			lastWidth;
		this.ctx.font = this.font;
		firstWidth = count ? this.ctx.measureText(this.xLabels[0]).width : 0;
		lastWidth = count ? this.ctx.measureText(this.xLabels[count - 1]).width : 0;
		this.xScalePaddingRight = lastWidth / 2 + 3;
		this.xScalePaddingLeft = (firstWidth / 2 > this.yLabelWidth + 10) ?
			firstWidth / 2 : this.yLabelWidth + 10;
		this.xLabelRotation = 0;
		this.xLabelStep = 1;
		if (this.display) {
			this.xLabelWidth = helpers.longestText(this.ctx, this.font, this.xLabels);
			if (count > 1) {
				// 3 pixels either side of a label, as the library keeps; the slot unrounded, as
				// calculateX rounds each position on its own.
				this.xLabelStep = labelStep(this.xLabelWidth + 6, xSlot(this), count);
			}
		} else {
			this.xLabelWidth = 0;
			this.xScalePaddingRight = this.padding;
			this.xScalePaddingLeft = this.padding;
		}
	};

	function gridStep(options) {
		var n = parseInt(options.scaleStepGridLines, 10);
		return (n > 1) ? n : 1;
	}

	// The scale's draw of Chart.js 1.0.2 with one change: a grid line (index > 0) is drawn only
	// when its index is a multiple of this.gridStep. The axis lines (index 0) are always drawn.
	Chart.Scale.prototype.draw = function () {
		var ctx = this.ctx,
			yLabelGap = (this.endPoint - this.startPoint) / this.steps,
			xStart = Math.round(this.xScalePaddingLeft),
			step = (this.gridStep > 1) ? this.gridStep : 1,
			aliasPixel = helpers.aliasPixel,
			toRadians = helpers.radians;
		if (!this.display) {
			return;
		}
		ctx.fillStyle = this.textColor;
		ctx.font = this.font;
		helpers.each(this.yLabels, function (labelString, index) {
			var yLabelCenter = this.endPoint - (yLabelGap * index),
				linePositionY = Math.round(yLabelCenter),
				drawHorizontalLine = this.showHorizontalLines && (index % step === 0);

			ctx.textAlign = "right";
			ctx.textBaseline = "middle";
			if (this.showLabels) {
				ctx.fillText(labelString, xStart - 10, yLabelCenter);
			}
			if (index === 0) {
				drawHorizontalLine = true;
			}
			if (drawHorizontalLine) {
				ctx.beginPath();
			}
			if (index > 0) {
				ctx.lineWidth = this.gridLineWidth;
				ctx.strokeStyle = this.gridLineColor;
			} else {
				ctx.lineWidth = this.lineWidth;
				ctx.strokeStyle = this.lineColor;
			}
			linePositionY += aliasPixel(ctx.lineWidth);
			if (drawHorizontalLine) {
				ctx.moveTo(xStart, linePositionY);
				ctx.lineTo(this.width, linePositionY);
				ctx.stroke();
				ctx.closePath();
			}
			ctx.lineWidth = this.lineWidth;
			ctx.strokeStyle = this.lineColor;
			ctx.beginPath();
			ctx.moveTo(xStart - 5, linePositionY);
			ctx.lineTo(xStart, linePositionY);
			ctx.stroke();
			ctx.closePath();
		}, this);

		helpers.each(this.xLabels, function (label, index) {
			var xPos = this.calculateX(index) + aliasPixel(this.lineWidth),
				linePos = this.calculateX(index - (this.offsetGridLines ? 0.5 : 0)) +
					aliasPixel(this.lineWidth),
				isRotated = (this.xLabelRotation > 0),
				drawVerticalLine = this.showVerticalLines && (index % step === 0);

			if (index === 0) {
				drawVerticalLine = true;
			}
			if (drawVerticalLine) {
				ctx.beginPath();
			}
			if (index > 0) {
				ctx.lineWidth = this.gridLineWidth;
				ctx.strokeStyle = this.gridLineColor;
			} else {
				ctx.lineWidth = this.lineWidth;
				ctx.strokeStyle = this.lineColor;
			}
			if (drawVerticalLine) {
				ctx.moveTo(linePos, this.endPoint);
				ctx.lineTo(linePos, this.startPoint - 3);
				ctx.stroke();
				ctx.closePath();
			}
			ctx.lineWidth = this.lineWidth;
			ctx.strokeStyle = this.lineColor;

			ctx.beginPath();
			ctx.moveTo(linePos, this.endPoint);
			ctx.lineTo(linePos, this.endPoint + 5);
			ctx.stroke();
			ctx.closePath();

			if (index % (this.xLabelStep || 1) !== 0) {
				return;
			}
			ctx.save();
			ctx.translate(xPos, (isRotated) ? this.endPoint + 12 : this.endPoint + 8);
			ctx.rotate(toRadians(this.xLabelRotation) * -1);
			ctx.font = this.font;
			ctx.textAlign = (isRotated) ? "right" : "center";
			ctx.textBaseline = (isRotated) ? "middle" : "top";
			ctx.fillText(label, 0, 0);
			ctx.restore();
		}, this);
	};

	// Each chart's scale learns the grid step from the chart's options when it is built.
	function withGridStep(type) {
		var buildScale = type.prototype.buildScale;
		type.prototype.buildScale = function () {
			var result = buildScale.apply(this, arguments);
			this.scale.gridStep = gridStep(this.options);
			return result;
		};
	}
	withGridStep(Chart.types.Line);
	withGridStep(Chart.types.Bar);

	function formatValue(value) {
		return (typeof value === "number") ? String(Math.round(value)) : String(value);
	}

	function valueStyle(ctx, options) {
		ctx.font = helpers.fontString(options.scaleFontSize, options.scaleFontStyle,
			options.scaleFontFamily);
		ctx.fillStyle = options.scaleFontColor;
		ctx.strokeStyle = "rgba(255,255,255,0.7)";
		ctx.lineWidth = 2;
		ctx.lineJoin = "round";
		ctx.textAlign = "center";
		ctx.textBaseline = "bottom";
	}

	// Where values may be drawn: right of the y axis, inside the canvas, below its top.
	function valueArea(chart) {
		var scale = chart.scale;
		return {
			left: Math.round(scale.xScalePaddingLeft) + 2,
			right: chart.chart.width - 1,
			top: chart.options.scaleFontSize + 1
		};
	}

	// A value with a light outline, so that it stays readable where it crosses a line. Centred
	// on x with its bottom at y, moved as little as needed to stay inside `area`.
	function drawValue(ctx, value, x, y, area) {
		var text = formatValue(value),
			half = ctx.measureText(text).width / 2;
		x = Math.min(Math.max(x, area.left + half), area.right - half);
		y = Math.max(y, area.top);
		ctx.strokeText(text, x, y);
		ctx.fillText(text, x, y);
	}

	// Values above the points of a line chart: the text ends 4 pixels above the dot. Where
	// points of several series lie close together at one x, the higher values move up so
	// that no two values cover each other; each value stays above its point.
	var lineDraw = Chart.types.Line.prototype.draw;
	Chart.types.Line.prototype.draw = function () {
		var result = lineDraw.apply(this, arguments);
		if (this.options.scaleShowValue) {
			var ctx = this.chart.ctx,
				lineHeight = this.options.scaleFontSize + 1,
				area = valueArea(this),
				columns = [];
			helpers.each(this.datasets, function (dataset) {
				helpers.each(dataset.points, function (point, index) {
					if (point.hasValue()) {
						(columns[index] = columns[index] || []).push(point);
					}
				});
			});
			ctx.save();
			valueStyle(ctx, this.options);
			helpers.each(columns, function (points) {
				if (!points) {
					return;
				}
				points.sort(function (a, b) { return b.y - a.y; });  // lowest on screen first
				var limit = Infinity;
				helpers.each(points, function (point) {
					var radius = point.display ? point.radius : 0,
						y = Math.min(point.y - radius - 4, limit);
					drawValue(ctx, point.value, point.x, y, area);
					limit = y - lineHeight;
				});
			});
			ctx.restore();
		}
		return result;
	};

	// Values above the bars of a bar chart: the text ends 8 pixels above the bar.
	var barDraw = Chart.types.Bar.prototype.draw;
	Chart.types.Bar.prototype.draw = function () {
		var result = barDraw.apply(this, arguments);
		if (this.options.scaleShowValue) {
			var ctx = this.chart.ctx,
				area = valueArea(this);
			ctx.save();
			valueStyle(ctx, this.options);
			helpers.each(this.datasets, function (dataset) {
				helpers.each(dataset.bars, function (bar) {
					if (bar.hasValue()) {
						drawValue(ctx, bar.value, bar.x, bar.y - 8, area);
					}
				});
			});
			ctx.restore();
		}
		return result;
	};
}).call(this);

/*
 * Report insights on the line and the bar chart (members the data file writes only when they
 * are used):
 *   dataset.zlxDash  the series of a compared period: its line is dashed (its colours are
 *                    lighter in the data file already).
 *   null points      buckets without data: the line breaks there instead of joining the
 *                    points on either side, and no point is drawn; a bar chart has no bar
 *                    there (the library draws no bar without a value).
 *   option zlxMarker {index, text}: a dashed vertical line at that x, a small triangle on top
 *                    and the text beside it (the peak).
 * Series without these members are drawn by the library as before.
 */
(function () {
	"use strict";

	var root = this,
		Chart = root.Chart,
		helpers = Chart.helpers;

	// The library keeps only known members of a dataset: the data file's are kept here.
	var lineInit = Chart.types.Line.prototype.initialize;
	Chart.types.Line.prototype.initialize = function (data) {
		this.zlxSource = (data && data.datasets) || [];
		return lineInit.apply(this, arguments);
	};

	function hasGap(dataset) {
		for (var i = 0; i < dataset.points.length; i++) {
			if (dataset.points[i].value === null) {
				return true;
			}
		}
		return false;
	}

	function drawLine(ctx, dataset, width, dash) {
		ctx.save();
		ctx.lineWidth = width;
		ctx.strokeStyle = dataset.strokeColor;
		if (ctx.setLineDash) {
			ctx.setLineDash(dash ? [8, 5] : []);
		}
		ctx.beginPath();
		var joined = false;
		helpers.each(dataset.points, function (point) {
			if (point.value === null) {
				joined = false;
				return;
			}
			if (joined) {
				ctx.lineTo(point.x, point.y);
			} else {
				ctx.moveTo(point.x, point.y);
			}
			joined = true;
		});
		ctx.stroke();
		ctx.restore();
		helpers.each(dataset.points, function (point) {
			if (point.value !== null) {
				point.draw();
			}
		});
	}

	function drawMarker(chart, marker) {
		var ctx = chart.chart.ctx,
			scale = chart.scale,
			x = scale.calculateX(marker.index),
			top = scale.startPoint,
			right = x > chart.chart.width / 2;
		ctx.save();
		ctx.strokeStyle = "rgba(190,30,30,0.75)";
		ctx.fillStyle = "rgba(190,30,30,0.9)";
		ctx.lineWidth = 1;
		if (ctx.setLineDash) {
			ctx.setLineDash([3, 3]);
		}
		ctx.beginPath();
		ctx.moveTo(x, top);
		ctx.lineTo(x, scale.endPoint);
		ctx.stroke();
		ctx.beginPath();
		ctx.moveTo(x - 6, top);
		ctx.lineTo(x + 6, top);
		ctx.lineTo(x, top + 9);
		ctx.closePath();
		ctx.fill();
		if (marker.text) {
			ctx.font = helpers.fontString(chart.options.scaleFontSize, "bold",
				chart.options.scaleFontFamily);
			ctx.textAlign = right ? "right" : "left";
			ctx.textBaseline = "top";
			ctx.fillText(marker.text, right ? x - 9 : x + 9, top + 1);
		}
		ctx.restore();
	}

	function drawMarkerOf(chart) {
		var marker = chart.options.zlxMarker;
		if (marker && marker.index >= 0 && marker.index < (chart.scale.valuesCount || 0)) {
			drawMarker(chart, marker);
		}
	}

	var insightDraw = Chart.types.Line.prototype.draw;
	Chart.types.Line.prototype.draw = function () {
		var own = [],
			source = this.zlxSource || [];
		helpers.each(this.datasets, function (dataset, index) {
			var dash = !!(source[index] && source[index].zlxDash);
			if (dash || hasGap(dataset)) {
				own.push({ dataset: dataset, dash: dash, stroke: dataset.strokeColor });
				dataset.strokeColor = "rgba(0,0,0,0)";
			}
		});
		var result = insightDraw.apply(this, arguments);
		var ctx = this.chart.ctx,
			width = this.options.datasetStrokeWidth;
		helpers.each(own, function (entry) {
			entry.dataset.strokeColor = entry.stroke;
			drawLine(ctx, entry.dataset, width, entry.dash);
		});
		drawMarkerOf(this);
		return result;
	};

	// The bar chart's marker stands at the middle of the bucket's group of bars.
	var barInsightDraw = Chart.types.Bar.prototype.draw;
	Chart.types.Bar.prototype.draw = function () {
		var result = barInsightDraw.apply(this, arguments);
		drawMarkerOf(this);
		return result;
	};
}).call(this);
