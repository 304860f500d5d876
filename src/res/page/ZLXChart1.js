/*
 * Page code of the report chart page. LoadData.js (written by the program for every result)
 * defines LoadData() and LoadOption(); the page calls initWin(LoadData(), LoadOption()) when it
 * has loaded.
 *
 * Layout inside the window less 8 pixels each way (4 pixels of border on every side):
 *   title strip   full width, 2 x 14 x 1.2 pixels high, the title centred in bold
 *   y-unit strip  21 pixels wide, beside the chart, the y unit rotated by -90 degrees
 *   chart         the rest
 *   legend strip  full width, 56 pixels high, at the bottom
 */
var zlxPage = {
	chart: null,    // the Chart.js chart, null when the data have no series
	legend: [],     // what the legend shows: {text, color, row, x, y}
	ready: false    // true once initWin has drawn everything
};

function zlxPlace(id, left, top, width, height) {
	var canvas = document.getElementById(id);
	width = Math.max(Math.floor(width), 1);
	height = Math.max(Math.floor(height), 1);
	canvas.style.left = left + "px";
	canvas.style.top = top + "px";
	canvas.style.width = width + "px";
	canvas.style.height = height + "px";
	canvas.width = width;
	canvas.height = height;
	return canvas;
}

function zlxDrawTitle(canvas, text, g) {
	var ctx = canvas.getContext("2d");
	ctx.clearRect(0, 0, canvas.width, canvas.height);
	if (!text) {
		return;
	}
	ctx.font = Chart.helpers.fontString(g.tooltipFontSize * 1.2, "bold", g.tooltipFontFamily);
	ctx.fillStyle = "#333333";
	ctx.textAlign = "center";
	ctx.textBaseline = "middle";
	ctx.fillText(text, canvas.width / 2, canvas.height / 2);
}

function zlxDrawYUnit(canvas, text, g) {
	var ctx = canvas.getContext("2d");
	ctx.clearRect(0, 0, canvas.width, canvas.height);
	if (!text) {
		return;
	}
	ctx.save();
	ctx.font = Chart.helpers.fontString(g.scaleFontSize, g.scaleFontStyle, g.scaleFontFamily);
	ctx.fillStyle = g.scaleFontColor;
	ctx.textAlign = "center";
	ctx.textBaseline = "middle";
	ctx.translate(canvas.width / 2, canvas.height / 2);
	ctx.rotate(-Math.PI / 2);
	ctx.fillText(text, 0, 0);
	ctx.restore();
}

// Two rows in a rounded box: the even series in the first row, the odd series in the second,
// each label after a square in the series' fill colour. A pair of series (2k, 2k + 1) shares a
// column as wide as the wider of its two labels. The font shrinks when the box would not fit.
function zlxDrawLegend(canvas, datasets, g) {
	var ctx = canvas.getContext("2d"),
		pairs = Math.ceil(datasets.length / 2),
		fontSize = g.tooltipFontSize,
		widths, total, box, gap, pad, i, k;
	ctx.clearRect(0, 0, canvas.width, canvas.height);
	zlxPage.legend = [];
	if (datasets.length === 0) {
		return;
	}
	function measure() {
		box = Math.round(fontSize * 0.85);
		gap = Math.round(fontSize * 0.4);
		pad = Math.round(fontSize * 0.7);
		ctx.font = Chart.helpers.fontString(fontSize, g.tooltipFontStyle, g.tooltipFontFamily);
		widths = [];
		total = 2 * pad;
		for (k = 0; k < pairs; k++) {
			var w = 0;
			for (i = 2 * k; i < Math.min(2 * k + 2, datasets.length); i++) {
				w = Math.max(w, ctx.measureText(datasets[i].label || "").width);
			}
			widths.push(box + gap + w);
			total += box + gap + w + (k > 0 ? 2 * pad : 0);
		}
	}
	measure();
	while (total > canvas.width && fontSize > 7) {
		fontSize -= 1;
		measure();
	}
	var rowHeight = Math.round(fontSize * 1.5),
		height = 2 * rowHeight + gap * 2,
		left = Math.max(Math.round((canvas.width - total) / 2), 0),
		top = Math.max(Math.round((canvas.height - height) / 2), 0);
	ctx.fillStyle = g.tooltipFillColor;
	Chart.helpers.drawRoundedRectangle(ctx, left, top, Math.min(total, canvas.width), height,
		g.tooltipCornerRadius);
	ctx.fill();
	ctx.textAlign = "left";
	ctx.textBaseline = "middle";
	var x = left + pad;
	for (k = 0; k < pairs; k++) {
		for (i = 2 * k; i < Math.min(2 * k + 2, datasets.length); i++) {
			var row = i % 2,
				y = top + gap + row * rowHeight + rowHeight / 2,
				label = datasets[i].label || "";
			// The half-transparent fill colour over white, as it looks on the chart.
			ctx.fillStyle = "#ffffff";
			ctx.fillRect(x, Math.round(y - box / 2), box, box);
			ctx.fillStyle = datasets[i].fillColor;
			ctx.fillRect(x, Math.round(y - box / 2), box, box);
			ctx.fillStyle = g.tooltipFontColor;
			ctx.fillText(label, x + box + gap, y);
			zlxPage.legend.push({
				text: label, color: datasets[i].fillColor, row: row, x: x, y: y
			});
		}
		x += widths[k] + 2 * pad;
	}
}

function initWin(data, option) {
	var g = Chart.defaults.global,
		width = Math.max(window.innerWidth - 8, 60),
		height = Math.max(window.innerHeight - 8, 140),
		titleHeight = Math.floor(2 * g.tooltipFontSize * 1.2),
		legendHeight = 56,
		unitWidth = 21,
		chartHeight = height - titleHeight - legendHeight,
		datasets = data.datasets || [];

	var title = zlxPlace("zlxTitle", 4, 4, width, titleHeight);
	var unit = zlxPlace("zlxYUnit", 4, 4 + titleHeight, unitWidth, chartHeight);
	var chartCanvas = zlxPlace("zlxChart", 4 + unitWidth, 4 + titleHeight, width - unitWidth,
		chartHeight);
	var legend = zlxPlace("zlxLegend", 4, 4 + titleHeight + chartHeight, width, legendHeight);

	zlxDrawTitle(title, data.title, g);
	zlxDrawYUnit(unit, data.yUnit, g);

	// The data file spells the point border colour "pointstrokeColor"; the library reads
	// "pointStrokeColor".
	for (var i = 0; i < datasets.length; i++) {
		if (datasets[i].pointStrokeColor === undefined && datasets[i].pointstrokeColor) {
			datasets[i].pointStrokeColor = datasets[i].pointstrokeColor;
		}
	}

	// Without a series the library cannot build a scale; the page then shows title and legend
	// strip only.
	if (datasets.length > 0) {
		var chartData = { labels: data.labels || [], datasets: datasets },
			ctx = chartCanvas.getContext("2d");
		if (data.chartType === "line") {
			zlxPage.chart = new Chart(ctx).Line(chartData, option);
			// Each series' width is the radius of its points.
			var redraw = false;
			Chart.helpers.each(zlxPage.chart.datasets, function (dataset, index) {
				var radius = parseInt(datasets[index].pointDotRadius, 10);
				if (radius > 0) {
					Chart.helpers.each(dataset.points, function (point) {
						point.radius = radius;
					});
					redraw = true;
				}
			});
			if (redraw) {
				zlxPage.chart.draw();
			}
		} else {
			zlxPage.chart = new Chart(ctx).Bar(chartData, option);
		}
	}

	zlxDrawLegend(legend, datasets, g);
	zlxPage.ready = true;
}
